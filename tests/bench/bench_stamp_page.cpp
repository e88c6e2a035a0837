// The stamp page's preview (Japanese build): the page made over the sample printer as the sheet
// makes it, and its owner-drawn preview item drawn into a memory DC through the page's own
// WM_DRAWITEM, for a turned text stamp and for a scaled bitmap stamp.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench_page_printer.h"
#include "core/little_endian.h"
#include "core/stamp_record.h"
#include "resources/lang/stamp_page_ids.h"
#include "ui/pages/stamp_fields.h"
#include "ui/pages/stamp_page.h"
#include "ui/tools/stamp_store.h"
#include "win/gdi.h"
#include "win/kernel.h"
#include "win/property_sheet.h"
#include "win/user.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"
#include "win/user_paint.h"

using namespace orla;

namespace {

namespace ids = orla_res::stamp_page;

constexpr DWORD kTurnedTextStamp = 2;  // a factory stamp, written across the page at an angle
constexpr char16_t kBitmapPath[] = u"C:\\Stamps\\logo.bmp";
constexpr LONG kBitmapSide = 240;

struct WindowDestroy {
    void operator()(HWND__* w) const {
        if (IsWindow(w)) DestroyWindow(w);
    }
};

// A 24-bit bitmap file of one grey, bottom-up.
std::vector<BYTE> BitmapFile(LONG side) {
    const DWORD rowBytes = ((static_cast<DWORD>(side) * 24 + 31) / 32) * 4;
    std::vector<BYTE> file(54 + rowBytes * static_cast<DWORD>(side), 0x60);
    std::fill(file.begin(), file.begin() + 54, BYTE{0});
    file[0] = 'B', file[1] = 'M';
    WriteLe32(file.data(), 2, static_cast<DWORD>(file.size()));
    WriteLe32(file.data(), 10, 54);
    WriteLe32(file.data(), 14, 40);
    WriteLe32(file.data(), 18, static_cast<DWORD>(side));
    WriteLe32(file.data(), 22, static_cast<DWORD>(side));
    WriteLe16(file.data(), 26, 1);
    WriteLe16(file.data(), 28, 24);
    return file;
}

class StampPagePreview {
public:
    StampPagePreview() : printer_("orla-bench-stamp-page") {
        ResetStamps(printer_.ui()->hPrinter, kResetAllStamps);
        CreateDirectoryW(u"C:\\Stamps", nullptr);
        const std::vector<BYTE> bitmap = BitmapFile(kBitmapSide);
        HANDLE file =
            CreateFileW(kBitmapPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        bench::Require(file != INVALID_HANDLE_VALUE &&
                           WriteFile(file, bitmap.data(), static_cast<DWORD>(bitmap.size()), &written, nullptr),
                       "the stamp's bitmap file");
        CloseHandle(file);
        describe_.dwSize = sizeof describe_;
        describe_.lParam = reinterpret_cast<LPARAM>(printer_.page());
        // A page is a child dialog: it sits in a window as in the sheet.
        host_.reset(CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr, nullptr));
        bench::Require(host_ != nullptr, "the page's host window");
        page_.reset(CreateDialogParamW(printer_.ui()->hResDll, MAKEINTRESOURCEW(ids::kTemplatePage), host_.get(),
                                       StampPageProc, reinterpret_cast<LPARAM>(&describe_)));
        bench::Require(page_ != nullptr, "the stamp page");
        HWND preview = GetDlgItem(page_.get(), ids::kPreview);
        bench::Require(preview && GetClientRect(preview, &item_), "the preview list");
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(dc_, item_.right, item_.bottom);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~StampPagePreview() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    // The selected stamp: a stored one, or the bitmap at a scale.
    void SelectStored(DWORD number) {
        Set(printer_.current(), dm::StampNumber, number);
        LoadStampsIntoContext(printer_.ui());
    }
    void SelectBitmap(SHORT scale) {
        SelectStored(1);
        BYTE* stamp = printer_.current().bytes + dm::StampRecord.offset;
        StampSet(stamp, stamp::kKind, DWORD{1});
        StampSet(stamp, stamp::kScale, scale);
        SetStampWideText(stamp, stamp::kImagePath, kBitmapPath);
    }
    // The item emptied to white, so that only the page's drawing leaves ink.
    void Clear() { PatBlt(dc_, 0, 0, item_.right, item_.bottom, WHITENESS); }
    // One preview item drawn by the page (a dialog's answer to WM_DRAWITEM tells nothing).
    void Draw() {
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_LISTBOX;
        draw.CtlID = ids::kPreview;
        draw.itemAction = ODA_DRAWENTIRE;
        draw.hwndItem = GetDlgItem(page_.get(), ids::kPreview);
        draw.hDC = dc_;
        draw.rcItem = item_;
        SendMessageW(page_.get(), WM_DRAWITEM, ids::kPreview, reinterpret_cast<LPARAM>(&draw));
    }
    // Pixels of the item that are neither white nor the page's grey outline: the stamp's ink.
    LONG Ink() {
        LONG ink = 0;
        for (LONG y = 0; y < item_.bottom; ++y)
            for (LONG x = 0; x < item_.right; ++x) {
                const COLORREF p = GetPixel(dc_, x, y);
                ink += p != RGB(255, 255, 255) && p != RGB(0x80, 0x80, 0x80);
            }
        return ink;
    }
    const RECT& item() const { return item_; }

private:
    bench::PagePrinter printer_;
    PROPSHEETPAGEW describe_{};
    std::unique_ptr<HWND__, WindowDestroy> host_;
    std::unique_ptr<HWND__, WindowDestroy> page_;  // goes before its host and the printer's context
    RECT item_{};
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

StampPagePreview& Preview() {
    static StampPagePreview preview;
    return preview;
}

void Measure(benchmark::State& state, StampPagePreview& p) {
    p.Clear();
    for (auto _ : state) p.Draw();
    if (p.Ink() == 0) state.SkipWithError("the page drew no stamp in its preview");
    state.counters["width"] = p.item().right;
    state.counters["height"] = p.item().bottom;
}

void BM_StampPagePreviewText(benchmark::State& state) {
    StampPagePreview& p = Preview();
    p.SelectStored(kTurnedTextStamp);
    Measure(state, p);
}
BENCHMARK(BM_StampPagePreviewText)->Unit(benchmark::kMicrosecond);

void BM_StampPagePreviewBitmap(benchmark::State& state) {
    StampPagePreview& p = Preview();
    p.SelectBitmap(static_cast<SHORT>(state.range(0)));
    Measure(state, p);
}
BENCHMARK(BM_StampPagePreviewBitmap)->Arg(100)->Arg(400)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
