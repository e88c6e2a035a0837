// The print-time dialog's owner-drawn lists: the category buttons (grey, sunken when chosen,
// raised under the mouse, an icon over a name of one or two lines) and the preview (the sheet's
// pictures combined at fixed places, the paper names and the summary lines).
#include <algorithm>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "resources/lang/job_settings_ids.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/job_settings.h"
#include "ui/pages/paper_rules.h"
#include "win/user_controls.h"

namespace orla {

namespace {

namespace ids = orla_res::job_settings;

constexpr COLORREF kButtonFace = 0x808080, kWhite = 0xFFFFFF, kBlack = 0x000000;
constexpr int kNameChars = 32;
constexpr int kPictureX = 120, kPictureY = 12;
constexpr int kTextInset = 3;
constexpr DWORD kSheetTurned = 1;
constexpr UINT kOdaSelect = 0x0002;  // ODA_SELECT: only the selection changed

class Brush {
public:
    explicit Brush(COLORREF c) : h_(CreateSolidBrush(c)) {}
    ~Brush() {
        if (h_) DeleteObject(h_);
    }
    Brush(const Brush&) = delete;
    Brush& operator=(const Brush&) = delete;
    HBRUSH get() const { return h_; }

private:
    HBRUSH h_;
};

void Line(HDC hdc, int x0, int y0, int x1, int y1, COLORREF colour) {
    // One pixel wide lines as filled rectangles, so no pen state is left behind.
    RECT rc{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1};
    Brush brush(colour);
    FillRect(hdc, &rc, brush.get());
}

// Sunken: dark top and left, light bottom and right one pixel inside; raised the other way.
void Frame(HDC hdc, const RECT& rc, bool sunken) {
    const COLORREF topLeft = sunken ? kBlack : kWhite, bottomRight = sunken ? kWhite : kBlack;
    Line(hdc, rc.left, rc.top, rc.right - 1, rc.top, topLeft);
    Line(hdc, rc.left, rc.top, rc.left, rc.bottom - 1, topLeft);
    Line(hdc, rc.left + 1, rc.bottom - 2, rc.right - 2, rc.bottom - 2, bottomRight);
    Line(hdc, rc.right - 2, rc.top + 1, rc.right - 2, rc.bottom - 2, bottomRight);
}

// Restores the text colour, alignment and background mode however drawing ends. (The platform's
// device contexts draw every fill and bitmap with their own raster operation, so there is no mix
// mode to keep.)
class DcState {
public:
    explicit DcState(HDC hdc)
        : hdc_(hdc), colour_(SetTextColor(hdc, kBlack)), align_(GetTextAlign(hdc)), mode_(SetBkMode(hdc, TRANSPARENT)) {}
    ~DcState() {
        SetTextColor(hdc_, colour_);
        SetTextAlign(hdc_, align_);
        SetBkMode(hdc_, mode_);
    }
    DcState(const DcState&) = delete;
    DcState& operator=(const DcState&) = delete;

private:
    HDC hdc_;
    COLORREF colour_;
    UINT align_;
    int mode_;
};

void TextAt(HDC hdc, int x, int y, const std::u16string& text) {
    TextOutW(hdc, x, y, text.c_str(), static_cast<int>(text.size()));
}

// A control's rectangle in the preview item's coordinates.
RECT ControlInItem(HWND dialog, int id, const DRAWITEMSTRUCT* item) {
    RECT rc{};
    GetWindowRect(GetDlgItem(dialog, id), &rc);
    MapWindowPoints(nullptr, item->hwndItem, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void DrawPaperNames(PageContext* page, HWND dialog, const DRAWITEMSTRUCT* item) {
    const DriverDevmode& r = page->uiContext->currentDevmode;
    const std::u16string form = GetText(r, dm::FormName);
    std::u16string output = form;
    if (Get(r, dm::OutPaperIndex) != 0) GetFormNameById(page, Get(r, dm::OutPaperIndex), &output);
    SetTextAlign(item->hDC, TA_LEFT | TA_BOTTOM);
    const RECT paper = ControlInItem(dialog, ids::kPaperPicture, item);
    TextAt(item->hDC, paper.right, paper.bottom - 1, form);
    const RECT out = ControlInItem(dialog, ids::kOutputPaperPicture, item);
    TextAt(item->hDC, out.right, out.bottom - 1, output);
    if (Get(r, dm::LayoutMode) == 1) {
        SetTextAlign(item->hDC, TA_RIGHT | TA_TOP);
        const std::string zoom = std::to_string(Get(r, dm::Zoom));
        TextAt(item->hDC, item->rcItem.right - kTextInset, item->rcItem.top + kTextInset,
               std::u16string(zoom.begin(), zoom.end()) + u"%");
    }
}

void DrawSummary(const DriverDevmode& r, const DRAWITEMSTRUCT* item) {
    SIZE size{};
    GetTextExtentPoint32W(item->hDC, u"A", 1, &size);
    SetTextAlign(item->hDC, TA_LEFT | TA_TOP);
    int y = item->rcItem.top + kTextInset;
    for (const std::u16string& line : JobSummaryLines(r)) {
        TextAt(item->hDC, item->rcItem.left + kTextInset, y, line);
        y += size.cy + kTextInset;
    }
}

}  // namespace

WORD GetPreviewPageBitmapId(int shape, BOOL collate, int duplex) {
    const int turn = shape == 1 ? 0 : 1;
    if (duplex == DMDUP_HORIZONTAL) return static_cast<WORD>(3115 + turn + (collate ? 6 : 0));
    if (duplex != DMDUP_SIMPLEX && duplex != DMDUP_VERTICAL) return 3111;
    if (collate) return static_cast<WORD>((duplex == DMDUP_SIMPLEX ? 3117 : 3119) + turn);
    return static_cast<WORD>((duplex == DMDUP_SIMPLEX ? 3111 : 3113) + turn);
}

WORD GetPreviewOverlayBitmapId(DWORD value) {
    return value == kSheetTurned ? 3125 : 3123;
}

WORD GetPreviewNupBitmapId(int shape, int pagesPerSheet) {
    struct Pick {
        int pages;
        WORD portrait, landscape;
    };
    static constexpr Pick kPicks[] = {{2, 3127, 3133}, {4, 3128, 3134}, {6, 3129, 3135},
                                      {8, 3130, 3136}, {9, 3131, 3137}, {16, 3132, 3138}};
    for (const Pick& p : kPicks)
        if (p.pages == pagesPerSheet) return shape == 1 ? p.portrait : p.landscape;
    return 3127;
}

WORD GetPreviewFinishBitmapId(int shape, DWORD flag, int, int order) {
    if (order < 0 || order > 3) return 8241;
    static constexpr WORD kTurnedPortrait[] = {8244, 8242, 8246, 8248}, kTurnedLandscape[] = {8250, 8252, 8254, 8256};
    static constexpr WORD kPortrait[] = {8241, 8243, 8245, 8247}, kLandscape[] = {8249, 8251, 8253, 8255};
    if (flag) return shape == 1 ? kTurnedPortrait[order] : kTurnedLandscape[order];
    return shape == 1 ? kPortrait[order] : kLandscape[order];
}

int PreviewShape(const DriverDevmode& r, LONG version) {
    const WORD pages = Get(r, dm::LayoutMode);
    const bool across = pages == 2 || pages == 6 || pages == 8;
    const bool portrait = Get(r, dm::Orientation) == DMORIENT_PORTRAIT;
    int shape = portrait != across ? 1 : 0;
    const std::u16string printed = Get(r, dm::OutPaperIndex) != 0 ? GetText(r, dm::OutPaperName) : GetText(r, dm::FormName);
    if (printed == kFormDoublePostcard || !IsPaperMappingAllowed(r, version)) shape = shape == 1 ? 2 : 1;
    return shape;
}

std::vector<BitmapPlacement> JobPreviewPlacements(const DriverDevmode& r, int shape) {
    std::vector<BitmapPlacement> out;
    auto at = [&](WORD id, int x, int y) { out.push_back({id, kPictureX + x, kPictureY + y, SRCAND}); };
    at(GetPreviewPageBitmapId(shape, (Get(r, dm::Flags1) & kFlags1Collate) != 0, Get(r, dm::Duplex)), 0, 0);
    const WORD pages = Get(r, dm::LayoutMode);
    if (pages == 1) {
        at(GetPreviewOverlayBitmapId(Get(r, dm::SheetSetting)), 0, 0);
    } else {
        at(GetPreviewNupBitmapId(shape, pages), 0, 0);
        if (pages == 9 || pages == 16)
            at(GetPreviewFinishBitmapId(shape, Get(r, dm::SheetSetting), pages, Get(r, dm::LayoutOrder)),
               shape == 1 ? 42 : 34, shape == 1 ? 34 : 40);
    }
    if (Get(r, dm::StampDrawFlag) == 1) at(8257, shape == 1 ? 58 : 68, shape == 1 ? 26 : 34);
    return out;
}

std::vector<std::u16string> JobSummaryLines(const DriverDevmode& r) {
    const bool duplex = DeviceInstalled(r, dm::kDuplex), lcs = DeviceInstalled(r, dm::kLcs);
    const DWORD flags = Get(r, dm::Flags1);
    auto line = [](const char16_t* label, bool on) { return std::u16string(label) + (on ? u"ON" : u"OFF"); };
    std::vector<std::u16string> lines;
    if (duplex) lines.push_back(line(u"両面印刷: ", Get(r, dm::Duplex) != DMDUP_SIMPLEX));
    lines.push_back(line(u"丁合い: ", flags & kFlags1Collate));
    lines.push_back(line(u"ジョブセパレート: ", flags & kFlags1JobSeparate));
    if (lcs) lines.push_back(line(u"オフセット排紙: ", Get(r, dm::OffsetStacking) == 1));
    // The English build offers no reprint, so it draws no line for it.
    if (kJapaneseBuild) lines.push_back(line(u"リプリント: ", flags & kFlags1Reprint));
    return lines;
}

std::vector<std::u16string> CategoryNameLines(const std::u16string& name) {
    const size_t bar = name.find(u'|');
    if (bar == std::u16string::npos) return {name};
    return {name.substr(0, bar), name.substr(bar + 1)};
}

void DrawCategoryButton(PageContext* page, const DRAWITEMSTRUCT* item) {
    if (!page || !page->uiContext || !item || item->itemID == static_cast<UINT>(-1)) return;
    if (item->itemAction != ODA_DRAWENTIRE && item->itemAction != kOdaSelect) return;
    const int panel = PanelAt(page->hotItemTable, item->itemID);
    if (panel == 0) return;
    HDC hdc = item->hDC;
    RECT rc = item->rcItem;
    {
        Brush face(kButtonFace);
        FillRect(hdc, &rc, face.get());
    }
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    int shift = 0;
    if (selected) {
        Frame(hdc, rc, true);
        shift = 1;
    } else if (page->hotItem == item->itemID) {
        Frame(hdc, rc, false);
    }
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    const int iconSize = GetSystemMetrics(SM_CXICON);
    if (HICON icon = LoadIconW(GetInterfaceModule(), MAKEINTRESOURCEW(panel)))
        DrawIconEx(hdc, rc.left + (width - iconSize) / 2 + shift, rc.top + height * 3 / 10 - iconSize / 2 + shift, icon,
                   iconSize, iconSize, 0, nullptr, DI_NORMAL);
    WCHAR name[kNameChars + 1] = {};
    LoadStringW(page->uiContext->hResDll, page->hotItemTable[item->itemID].spare, name, kNameChars + 1);
    DcState state(hdc);
    SetTextColor(hdc, kWhite);
    SetBkMode(hdc, TRANSPARENT);
    const int baseline = rc.top + height * 8 / 10 - 2 + shift;
    const std::vector<std::u16string> lines = CategoryNameLines(name);
    SetTextAlign(hdc, TA_CENTER | TA_BOTTOM);
    TextAt(hdc, rc.left + width / 2 + shift, baseline, lines[0]);
    if (lines.size() > 1) {
        SetTextAlign(hdc, TA_CENTER | TA_TOP);
        TextAt(hdc, rc.left + width / 2 + shift, baseline, lines[1]);
    }
}

void DrawJobPreview(PageContext* page, const DRAWITEMSTRUCT* item) {
    if (!page || !page->uiContext || !item || item->itemAction != ODA_DRAWENTIRE) return;
    const UiContext* ui = page->uiContext;
    const DriverDevmode& r = ui->currentDevmode;
    DcState state(item->hDC);
    {
        Brush white(kWhite);
        FillRect(item->hDC, &item->rcItem, white.get());
    }
    SetBkMode(item->hDC, TRANSPARENT);
    SetTextColor(item->hDC, kBlack);
    std::vector<BitmapPlacement> placements = JobPreviewPlacements(r, PreviewShape(r, DeviceDataVersion(ui->deviceData)));
    for (BitmapPlacement& p : placements) p.x += item->rcItem.left, p.y += item->rcItem.top;
    DrawPlacements(GetInterfaceModule(), item->hDC, placements);
    DrawPaperNames(page, GetParent(item->hwndItem), item);
    DrawSummary(r, item);
}

}  // namespace orla
