// The about box: the model's name and the driver file's version, painted large beside the driver's
// icon, and a button that opens the maker's web page.
#include <cstdio>
#include <string>

#include "core/device_data.h"
#include "core/support.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/context_help.h"
#include "ui/pages/option_list_page.h"
#include "win/gdi.h"
#include "win/gdi_fonts.h"
#include "win/shell.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"
#include "win/user_paint.h"
#include "win/version.h"

namespace orla {

namespace {

using namespace orla_res::option_list;

constexpr HelpIdPair kAboutHelp[] = {{kAboutWebPage, 0x6800}, {kAboutOk, 0x6801}, {0, 0}};
constexpr char16_t kPrinterDriver[] = u" Printer Driver ";
constexpr int kPitchAndFamily = 49;  // FIXED_PITCH | FF_MODERN
constexpr int kNameX = 10, kNameY = 10, kNameHeight = 28;
constexpr int kLineX = 10, kLineY = 80, kLineHeight = 15;
constexpr COLORREF kBlack = 0x000000;

std::u16string PrinterName(const UiContext& ui) {
    return std::u16string(DevicePrinterName(ui.deviceData));
}

// A block of the UI context's pool, given back however the caller leaves.
struct PoolBlock {
    BlockPool* pool;
    void* body;
    PoolBlock(BlockPool* p, SIZE_T n) : pool(p), body(p && n ? PoolAlloc(p, n) : nullptr) {}
    ~PoolBlock() {
        if (body) PoolFree(pool, body);
    }
    PoolBlock(const PoolBlock&) = delete;
    PoolBlock& operator=(const PoolBlock&) = delete;
};

// The FileVersion text of a version resource through its first translation; empty when the
// block has none.
std::u16string FileVersionOf(const void* block) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block, u"\\VarFileInfo\\Translation", &value, &length) || length < 4) return u"";
    const auto* pair = static_cast<const WORD*>(value);
    char path[64];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04X%04X\\FileVersion", pair[0], pair[1]);
    const std::u16string widePath(path, path + std::char_traits<char>::length(path));
    if (!VerQueryValueW(block, widePath.c_str(), &value, &length) || length == 0) return u"";
    const auto* text = static_cast<const char16_t*>(value);
    std::u16string version(text, length);
    version.resize(std::char_traits<char16_t>::length(version.c_str()));  // without its terminator
    return version;
}

void AboutBoxInit(PageContext* page, HWND dialog) {
    const UiContext& ui = *page->uiContext;
    SetDlgItemTextW(dialog, kAboutModel, PrinterName(ui).c_str());
    SetDlgItemTextW(dialog, kAboutVersion, AboutVersionLine(ui).c_str());
}

void PaintLine(HDC dc, int x, int y, int height, int weight, const std::u16string& text) {
    HFONT font = CreateSimpleFont(height, weight, u"Arial");
    HGDIOBJ old = SelectObject(dc, font);
    TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, old);
    DeleteObject(font);
}

void AboutBoxPaint(PageContext* page, HWND dialog) {
    // The about icon is the interface DLL's own, shared and never destroyed.
    HWND iconControl = GetDlgItem(dialog, kAboutIcon);
    if (iconControl && !SendMessageW(iconControl, STM_GETICON, 0, 0)) {
        HICON icon = LoadIconW(GetInterfaceModule(), MAKEINTRESOURCEW(kIconAbout));
        if (icon) SendMessageW(iconControl, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(dialog, &ps);
    if (!dc) return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kBlack);
    const UiContext& ui = *page->uiContext;
    PaintLine(dc, kNameX, kNameY, kNameHeight, FW_BOLD, PrinterName(ui));
    PaintLine(dc, kLineX, kLineY, kLineHeight, FW_NORMAL, AboutVersionLine(ui));
    EndPaint(dialog, &ps);
}

void AboutBoxCommand(PageContext* page, HWND dialog, int id) {
    switch (id) {
        case IDCANCEL:
        case kAboutOk:
            EndDialog(dialog, 1);
            return;
        case kHelp:
            ShowHtmlHelpAsync(GetDesktopWindow(), page->uiContext->helpFile, kHelpContextCommand, kHelpTopicOptionList);
            return;
        case kAboutWebPage:
            ShellExecuteW(dialog, u"open", kMakerWebPage, nullptr, nullptr, SW_SHOW);
            return;
    }
}

}  // namespace

std::u16string DriverVersionText(const UiContext& ui) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(ui.driverPath, &handle);
    if (size == 0) return u"";
    PoolBlock block(ui.pool, size);
    if (!block.body || !GetFileVersionInfoW(ui.driverPath, handle, size, block.body)) return u"";
    const std::u16string version = FileVersionOf(block.body);
    return version.empty() ? u"" : u"Version " + version;
}

std::u16string AboutVersionLine(const UiContext& ui) {
    return PrinterName(ui) + kPrinterDriver + DriverVersionText(ui);
}

HFONT CreateSimpleFont(int height, int weight, LPCWSTR face) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, PROOF_QUALITY, kPitchAndFamily, face);
}

INT_PTR ShowAboutBox(PageContext* page, HWND owner) {
    if (!page || !page->uiContext) return -1;
    return DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(kTemplateAbout), owner, AboutBoxProc,
                           reinterpret_cast<LPARAM>(page));
}

INT_PTR CALLBACK AboutBoxProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        auto* page = reinterpret_cast<PageContext*>(lParam);
        if (page && page->uiContext) AboutBoxInit(page, hDlg);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kAboutHelp)) return TRUE;
    switch (message) {
        case WM_PAINT:
            AboutBoxPaint(page, hDlg);
            return TRUE;
        case WM_COMMAND:
            AboutBoxCommand(page, hDlg, LOWORD(wParam));
            return TRUE;
    }
    return FALSE;
}

}  // namespace orla
