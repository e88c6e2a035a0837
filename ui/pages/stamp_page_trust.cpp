// Trust marking on the stamp and overlay page (Japanese build): whether the library takes this
// printer, its settings dialog inside the whole handle sequence, and the warnings about settings
// that cannot go with trust marking.
#include <algorithm>
#include <string>
#include <vector>

#include "core/ansi_text.h"
#include "core/device_data.h"
#include "core/settings_resolver.h"
#include "render/kwe_binding.h"
#include "ui/entry/ansi_text.h"
#include "ui/entry/kwe_display.h"
#include "ui/pages/stamp_page.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/user_controls.h"

namespace orla {

namespace {

namespace ids = orla_res::stamp_page;

constexpr DWORD kKweNameBytes = 256;   // each name in the system code page
constexpr BYTE kNoSettingsMark = 'T';  // a blob whose first byte is this counts as absent
constexpr LONG kMaxKweIds = 4096;      // more identifiers than any library has: refused
// Owner flags of the private flags at 400.
constexpr DWORD kOwnerNameSent = kFlags2JbaType;
constexpr DWORD kOwnerIsLogonName = kFlags2JobOwnerType;
// Room for a logon name of at most 32 characters and its terminator.
constexpr DWORD kLogonNameChars = 33;
constexpr char16_t kSetSettingsFailed[] = u"QZKWE_SetKWESettingsエラー";
constexpr char16_t kDisplayFailed[] = u"KWE UI表示に失敗しました";

struct ConflictText {
    DWORD conflict;
    UINT alone;   // the warning when it is the only one
    UINT inList;  // its line under the heading
};
// In the order of their texts: 784 + i alone, 790 + i in the list.
const ConflictText kConflictTexts[] = {
    {kKweTonerSave, ids::kMsgKweTonerSave + 0, ids::kMsgKweSeveralFirst + 0},
    {kKweNoSmoothing, ids::kMsgKweTonerSave + 1, ids::kMsgKweSeveralFirst + 1},
    {kKweDensity, ids::kMsgKweTonerSave + 2, ids::kMsgKweSeveralFirst + 2},
    {kKweOverlay, ids::kMsgKweTonerSave + 3, ids::kMsgKweSeveralFirst + 3},
    {kKweExcludedMode, ids::kMsgKweTonerSave + 4, ids::kMsgKweSeveralFirst + 4},
};
constexpr WORD kResolutionsWithoutMarks[] = {200, 240, 400, 1200};

UiContext* Ui(PageContext* page) {
    return page->uiContext;
}

bool TrustMarkingOn(const DriverDevmode& r) {
    return Get(r, dm::TrustMarkResult) != 0;
}

bool Offers1200(const CompiledDeviceData* data) {
    for (ResolutionEntry e : Resolutions(data))
        if (e.dpi == 1200) return true;
    return false;
}

// A warning box after a beep, its texts joined, captioned with the printer's friendly name.
void ShowConflictBox(PageContext* page, HWND dialog, const std::vector<UINT>& texts) {
    std::u16string message;
    for (UINT id : texts) {
        WCHAR text[256] = {};
        const int n = LoadStringW(Ui(page)->hResDll, id, text, 256);
        message.append(text, n > 0 ? static_cast<size_t>(n) : 0);
    }
    MessageBeep(MB_ICONEXCLAMATION);
    const std::u16string caption(DeviceFriendlyName(Ui(page)->deviceData));
    MessageBoxW(dialog, message.c_str(), caption.c_str(), MB_ICONWARNING);
}

// The printer's and model's names in the system code page, as the library is given them.
struct KweNames {
    char printer[kKweNameBytes] = {};
    char model[kKweNameBytes] = {};
};
KweNames NamesOf(const UiContext& ui) {
    KweNames names;
    ToAnsiCut(ui.printerName, names.printer, sizeof names.printer);
    const std::u16string model(DevicePrinterName(ui.deviceData));
    ToAnsiCut(model.c_str(), names.model, sizeof names.model);
    return names;
}

// A handle of the library, released when it goes.
struct KweHandle {
    DWORD handle = 0;
    explicit KweHandle(const UiContext& ui) {
        const KweNames names = NamesOf(ui);
        handle = KweCreateHandle(names.printer, names.model, kKweLanguage, kKweLocale);
    }
    ~KweHandle() {
        if (handle != 0) KweReleaseHandle(handle);
    }
    KweHandle(const KweHandle&) = delete;
    KweHandle& operator=(const KweHandle&) = delete;
};

// A zero-filled global block, freed when it goes.
struct GlobalBlock {
    HGLOBAL block = nullptr;
    explicit GlobalBlock(SIZE_T bytes) : block(bytes ? GlobalAlloc(GPTR, bytes) : nullptr) {}
    ~GlobalBlock() {
        if (block) GlobalFree(block);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    BYTE* bytes() const { return static_cast<BYTE*>(block); }
};

// The library's settings size as stored, and the bytes of the blob it may use: never more than
// the record's 4,096 bytes, whatever the library says.
DWORD TakeSettingsSize(DriverDevmode& r, DWORD handle) {
    const LONG size = KweGetSizeOfSettings(handle);
    if (size < 0) return std::min<DWORD>(Get(r, dm::TrustBlobSize), dm::TrustBlock.cb);
    if (static_cast<DWORD>(size) != Get(r, dm::TrustBlobSize)) Set(r, dm::TrustBlobSize, static_cast<DWORD>(size));
    return std::min<DWORD>(static_cast<DWORD>(size), dm::TrustBlock.cb);
}

void PassIdList(DWORD handle) {
    const LONG count = KweGetNumOfIDs(handle);
    if (count <= 0 || count > kMaxKweIds) return;
    GlobalBlock list(static_cast<SIZE_T>(count) * kKweIdBytes);
    if (!list.bytes()) return;
    KweGetIDList(handle, list.bytes());
    KweSetDriverSettings(handle, list.bytes());
}

// The logon name in the system code page when it converts there and back unchanged.
std::string LogonName() {
    WCHAR name[kLogonNameChars] = {};
    DWORD chars = kLogonNameChars;
    if (!GetUserNameW(name, &chars)) return kUnknownUser;
    name[kLogonNameChars - 1] = 0;
    const std::u16string wide(name);
    const std::string ansi = AnsiText(wide);
    std::u16string back(ansi.size() + 1, u'\0');
    const int n = ansi.empty() ? 0
                               : MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), back.data(),
                                                     static_cast<int>(back.size()));
    back.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return !wide.empty() && back == wide ? ansi : std::string(kUnknownUser);
}

// The dialog's answer taken into the record: on/off and the settings, within the record's block.
void TakeDialogAnswer(DriverDevmode& r, LONG answer, LONG on, const std::vector<BYTE>& settings) {
    if (answer == kKweDisplayCancelled) return;
    if (answer == kKweDisplayFailed) {
        MessageBoxW(nullptr, kDisplayFailed, nullptr, MB_OK);
        return;
    }
    Set(r, dm::TrustMarkResult, static_cast<DWORD>(on));
    std::copy(settings.begin(), settings.end(), r.bytes + dm::TrustBlock.offset);
}

}  // namespace

DWORD KweSettingConflicts(const DriverDevmode& r) {
    const DWORD flags = Get(r, dm::Flags1);
    DWORD conflicts = 0;
    if (flags & kFlags1TonerSave) conflicts |= kKweTonerSave;
    if (!(flags & kFlags1ResolutionEnhance)) conflicts |= kKweNoSmoothing;
    if (Get(r, dm::PrintDensity) != kKweRequiredDensity) conflicts |= kKweDensity;
    if (Get(r, dm::FlagsWord) & kFlagsWordOverlayOn) conflicts |= kKweOverlay;
    if (flags & kFlags1NotWithTrust) conflicts |= kKweExcludedMode;
    return conflicts;
}

std::vector<UINT> KweConflictTexts(DWORD conflicts) {
    std::vector<UINT> lines;
    for (const ConflictText& c : kConflictTexts)
        if (conflicts & c.conflict) lines.push_back(c.inList);
    if (lines.size() == 1) {
        for (const ConflictText& c : kConflictTexts)
            if (conflicts & c.conflict) return {c.alone};
    }
    if (!lines.empty()) lines.insert(lines.begin(), ids::kMsgKweSeveral);
    return lines;
}

DWORD PaperZoomConflicts(const DriverDevmode& r, LONG version) {
    DWORD conflicts = 0;
    const std::u16string form = GetText(r, dm::FormName);
    if (IsConversionFormName(form)) {
        conflicts |= kKwePaper;
    } else {
        const std::u16string paper = Get(r, dm::OutPaperIndex) != 0 ? GetText(r, dm::OutPaperName) : form;
        if (!IsPlainFormName(paper) && !(version >= 4 && IsVersion4FormName(paper))) conflicts |= kKwePaper;
    }
    const auto quality = static_cast<WORD>(AsDevmode(r)->dmPrintQuality);
    if (std::find(std::begin(kResolutionsWithoutMarks), std::end(kResolutionsWithoutMarks), quality) !=
        std::end(kResolutionsWithoutMarks))
        conflicts |= kKweResolution;
    return conflicts;
}

UINT PaperZoomText(DWORD conflicts, bool offers1200) {
    const bool paper = conflicts & kKwePaper, resolution = conflicts & kKweResolution;
    if (paper && resolution) return offers1200 ? ids::kMsgKwePaperResolution1200 : ids::kMsgKwePaperResolution;
    if (resolution) return offers1200 ? ids::kMsgKweResolution1200 : ids::kMsgKweResolution;
    return paper ? ids::kMsgKwePaper : 0;
}

BOOL WarnKweConflicts(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Ui(page)->currentDevmode;
    if (!TrustMarkingOn(r)) return FALSE;
    const std::vector<UINT> texts = KweConflictTexts(KweSettingConflicts(r));
    if (texts.empty()) return FALSE;
    ShowConflictBox(page, dialog, texts);
    return TRUE;
}

BOOL CheckPaperZoomForStamp(PageContext* page, HWND dialog) {
    const UiContext* ui = Ui(page);
    if (!TrustMarkingOn(ui->currentDevmode)) return FALSE;
    const UINT text = PaperZoomText(PaperZoomConflicts(ui->currentDevmode, DeviceDataVersion(ui->deviceData)),
                                    Offers1200(ui->deviceData));
    if (text == 0) return FALSE;
    ShowConflictBox(page, dialog, {text});
    return TRUE;
}

BOOL KweAvailableForPage(PageContext* page) {
    if (!page || !page->uiContext || !IsKweLibraryInstalled()) return FALSE;
    const KweHandle handle(*page->uiContext);
    return handle.handle != 0;
}

void BuildKweOwnerName(const DriverDevmode& r, char (&owner)[kKweOwnerBytes]) {
    std::fill(std::begin(owner), std::end(owner), 0);
    const DWORD flags = Get(r, dm::Flags2);
    if (!(flags & kOwnerNameSent)) return;
    const std::string name = (flags & kOwnerIsLogonName) ? LogonName() : AnsiText(GetText(r, dm::SetUserId));
    const int keep = WholeCharacterBytes(name.data(), static_cast<int>(name.size()), kKweOwnerBytes - 1);
    std::copy(name.begin(), name.begin() + keep, owner);
}

void OnTrustMarkingSettings(PageContext* page, HWND dialog) {
    if (!page || !page->uiContext || !IsKweLibraryInstalled()) return;
    {
        DriverDevmode& r = Ui(page)->currentDevmode;
        const KweHandle handle(*Ui(page));
        if (handle.handle == 0) return;  // the settings stay as they were
        const DWORD size = TakeSettingsSize(r, handle.handle);
        PassIdList(handle.handle);
        char owner[kKweOwnerBytes];
        BuildKweOwnerName(r, owner);
        KweSetJobOwner(handle.handle, reinterpret_cast<const BYTE*>(owner));
        const BYTE* blob = r.bytes + dm::TrustBlock.offset;
        const bool absent = blob[0] == kNoSettingsMark;
        if (KweSetKWESettings(handle.handle, absent ? nullptr : blob, size, nullptr, 0) == 0)
            MessageBoxW(nullptr, kSetSettingsFailed, nullptr, MB_OK);
        std::vector<BYTE> settings(size, 0);
        if (!absent) std::copy(blob, blob + size, settings.begin());
        LONG on = 0;
        const LONG answer = KweDisplayUI(handle.handle, dialog, settings.data(), size, &on);
        TakeDialogAnswer(r, answer, on, settings);
    }
    WarnKweConflicts(page, dialog);
    CheckPaperZoomForStamp(page, dialog);
    RefreshStampList(page, dialog);
    ShowOverlayControls(page, dialog);
    MarkStampPageChanged(page, dialog);
}

}  // namespace orla
