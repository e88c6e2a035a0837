// An image stamp's bitmap file. The preview and the stamp-drawing library draw from the file's own
// headers, so every size they name is checked against the file before the stamp is taken.
#include "ui/pages/stamp_image_file.h"

#include "core/little_endian.h"
#include "resources/lang/stamp_editor_ids.h"
#include "ui/pages/paper_rules.h"
#include "win/kernel.h"

namespace orla {
namespace {

// Bitmap file header (14 bytes), then the info header.
constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kOffMagic = 0;
constexpr size_t kOffPixelOffset = 10;
// BITMAPINFOHEADER, at kFileHeaderBytes.
constexpr size_t kInfoHeaderBytes = 40;
constexpr size_t kOffInfoSize = 0;
constexpr size_t kOffWidth = 4;
constexpr size_t kOffHeight = 8;
constexpr size_t kOffPlanes = 12;
constexpr size_t kOffBitCount = 14;
constexpr size_t kOffCompression = 16;
constexpr size_t kOffColoursUsed = 32;
constexpr DWORD kUncompressed = 0;  // BI_RGB
constexpr size_t kPaletteEntryBytes = 4;
constexpr WORD kBitsNotDrawn = 16;

bool KnownBitCount(WORD bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

}  // namespace

StampBitmapCheck CheckStampBitmap(std::span<const BYTE> file) {
    if (file.size() < 2 || file[kOffMagic] != 'B' || file[kOffMagic + 1] != 'M') return StampBitmapCheck::kNotBitmap;
    if (file.size() < kFileHeaderBytes + kInfoHeaderBytes) return StampBitmapCheck::kDamaged;
    const BYTE* info = file.data() + kFileHeaderBytes;
    const DWORD infoSize = LoadLe32(info + kOffInfoSize);
    if (infoSize < kInfoHeaderBytes || infoSize > file.size() - kFileHeaderBytes) return StampBitmapCheck::kDamaged;
    const auto width = static_cast<LONG>(LoadLe32(info + kOffWidth));
    const auto height = static_cast<LONG>(LoadLe32(info + kOffHeight));
    // INT_MIN has no magnitude; any side past the limit is refused before it is multiplied.
    if (width <= 0 || height == 0 || height < -kStampBitmapMaxSide || height > kStampBitmapMaxSide ||
        width > kStampBitmapMaxSide)
        return StampBitmapCheck::kDamaged;
    const WORD bits = LoadLe16(info + kOffBitCount);
    if (LoadLe16(info + kOffPlanes) != 1 || !KnownBitCount(bits)) return StampBitmapCheck::kDamaged;
    const unsigned long long maxColours = bits <= 8 ? (1ull << bits) : 0;
    unsigned long long colours = LoadLe32(info + kOffColoursUsed);
    if (bits <= 8 && colours == 0) colours = maxColours;
    if (colours > maxColours && bits <= 8) return StampBitmapCheck::kDamaged;
    const unsigned long long paletteEnd = kFileHeaderBytes + infoSize + colours * kPaletteEntryBytes;
    const unsigned long long pixelOffset = LoadLe32(file.data() + kOffPixelOffset);
    const unsigned long long rowBytes = ((static_cast<unsigned long long>(width) * bits + 31) / 32) * 4;
    const unsigned long long rows =
        static_cast<unsigned long long>(height < 0 ? -static_cast<long long>(height) : height);
    if (paletteEnd > file.size() || pixelOffset < paletteEnd || pixelOffset > file.size())
        return StampBitmapCheck::kDamaged;
    // Compressed rows have no fixed size to check; the preview leaves them to the printer.
    if (LoadLe32(info + kOffCompression) != kUncompressed) return StampBitmapCheck::kUnsupported;
    if (rowBytes * rows > file.size() - pixelOffset) return StampBitmapCheck::kDamaged;
    // 16-bit rows are sound but not among the pictures the preview draws.
    if (bits == kBitsNotDrawn) return StampBitmapCheck::kUnsupported;
    return StampBitmapCheck::kGood;
}

StampFileRead ReadStampBitmapFile(LPCWSTR path, std::vector<BYTE>* bytes) {
    bytes->clear();
    if (path == nullptr || path[0] == 0) return StampFileRead::kCannotOpen;
    FileHandle file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return StampFileRead::kCannotOpen;
    DWORD high = 0;
    const DWORD size = GetFileSize(file.get(), &high);
    if (size == INVALID_FILE_SIZE || high != 0 || size > kStampBitmapMaxBytes) return StampFileRead::kTooLarge;
    bytes->assign(size, 0);
    DWORD read = 0;
    if (size != 0 && (!ReadFile(file.get(), bytes->data(), size, &read, nullptr) || read != size)) {
        bytes->clear();
        return StampFileRead::kShortRead;
    }
    return StampFileRead::kRead;
}

BOOL LoadStampImageFile(PageContext* page, HWND dialog, LPCWSTR path) {
    namespace ids = orla_res::stamp_editor;
    std::vector<BYTE> bytes;
    switch (ReadStampBitmapFile(path, &bytes)) {
        case StampFileRead::kCannotOpen:
            WarnWithPrinterCaption(page, dialog, ids::kMsgFileMissing);
            return FALSE;
        case StampFileRead::kShortRead:
            return FALSE;
        case StampFileRead::kTooLarge:
            WarnWithPrinterCaption(page, dialog, ids::kMsgNotBitmap);
            return FALSE;
        case StampFileRead::kRead:
            break;
    }
    // A sound bitmap the preview cannot draw is still the printer's to print.
    const StampBitmapCheck check = CheckStampBitmap(bytes);
    if (check != StampBitmapCheck::kGood && check != StampBitmapCheck::kUnsupported) {
        WarnWithPrinterCaption(page, dialog, ids::kMsgNotBitmap);
        return FALSE;
    }
    return TRUE;
}

}  // namespace orla
