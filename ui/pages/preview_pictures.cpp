// Preview pictures: which bitmap goes where, as plain lists, then drawn one by one.
#include "ui/pages/preview_pictures.h"

#include <array>
#include <memory>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/paper_names.h"

namespace orla {

namespace {

constexpr WORD kBaseCollated = 860, kBasePlain = 861;
constexpr WORD kRowMarker = 863, kRowMarkerSlip = 864;
constexpr int kBaseX = 2, kBaseY = 1, kRowY = 33, kOverlayY = 65;

// Overlay indicator by stamp (T), annotation (S) and form overlay (F).
constexpr WORD kOverlayIndicator[8] = {0, 865, 866, 867, 868, 870, 869, 871};  // index T + 2S + 4F

struct Frame {
    WORD sheet;
    POINT sheetAt, contentAt, longEdgeMark, shortEdgeMark;
};
constexpr Frame kPortraitFrame = {1000, {95, 15}, {104, 24}, {140, 7}, {87, 88}};
constexpr Frame kLandscapeFrame = {1001, {87, 27}, {96, 36}, {79, 72}, {160, 19}};

// n-up layouts: the first content and binding-mark ids of each kind.
struct NupIds {
    WORD kind;
    int contentBase, longEdgeBase, shortEdgeBase;
};
constexpr NupIds kNupIds[] = {
    {4, 1026, 1210, 1110}, {6, 1042, 1214, 1114}, {8, 1058, 1218, 1118}, {9, 1074, 1222, 1122}, {16, 1090, 1226, 1126},
};

constexpr int kPrinterBelow = 48;  // room under the printer for its trays
constexpr int kPrinterStep = 62, kOwnPictureStep = 67;
constexpr int kThinTrayStep = 12, kTrayStep = 16;

// Papers turned on their side, whose preview turns the orientation over.
bool TurnsOrientation(std::u16string_view name, LONG version) {
    if (version < 4) return name == kFormDoublePostcard;
    static constexpr std::array<std::u16string_view, 9> kTurned = {
        kFormA3Rotated,     kFormA4Rotated,       kFormA5Rotated,      kFormB4Rotated,          kFormB5Rotated,
        kFormLetterRotated, kFormPostcardRotated, kFormDoublePostcard, kFormEnvelopeYou4Rotated};
    return IsOneOf(kTurned, name);
}

bool UsesPortraitFrame(WORD kind, bool portrait) {
    switch (kind) {
        case 1:
        case 4:
        case 9:
        case 16:
            return portrait;
        case 2:
        case 6:
        case 8:
            return !portrait;
        default:
            return false;
    }
}

// Content and binding-mark ids for the layout kind; 0 where the kind has none.
void ContentAndMark(const DriverDevmode& r, bool portrait, int& content, int& longMark, int& shortMark) {
    const WORD kind = Get(r, dm::LayoutMode);
    const int P = portrait ? 1 : 0;
    const int H = Get(r, dm::SheetSetting) == 0 ? 1 : 0;
    const int v = Get(r, dm::LayoutOrder);
    content = longMark = shortMark = 0;
    if (kind == 1) {
        // As every other kind: the sheet setting takes the higher pair, portrait the lower id.
        content = (H ? 1002 : 1004) + (portrait ? 0 : 1);
        longMark = content + 198;
        shortMark = content + 98;
        return;
    }
    if (kind == 2) {
        content = v - 2 * P - 4 * H + 1012;
        longMark = (1 - P) - 2 * H + 1206;
        shortMark = (1 - P) - 2 * H + 1106;
        return;
    }
    for (const NupIds& n : kNupIds) {
        if (n.kind != kind) continue;
        content = v - 4 * P + n.contentBase - 8 * H;
        longMark = (1 - P) - 2 * H + n.longEdgeBase;
        shortMark = (1 - P) - 2 * H + n.shortEdgeBase;
    }
}

// A loaded bitmap selected into a memory DC for as long as it is drawn from.
struct BitmapFree {
    void operator()(HBITMAP__* b) const { DeleteObject(b); }
};
struct DcFree {
    void operator()(HDC__* dc) const { DeleteDC(dc); }
};
struct Selected {
    HDC dc;
    HGDIOBJ old;
    Selected(HDC d, HGDIOBJ o) : dc(d), old(SelectObject(d, o)) {}
    ~Selected() { SelectObject(dc, old); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;
};

SIZE BitmapSize(HMODULE module, WORD id) {
    std::unique_ptr<HBITMAP__, BitmapFree> bitmap(LoadBitmapW(module, MAKEINTRESOURCEW(id)));
    BITMAP bm{};
    if (!bitmap || GetObjectW(bitmap.get(), sizeof bm, &bm) == 0) return {0, 0};
    return {bm.bmWidth, bm.bmHeight};
}

}  // namespace

std::vector<BitmapPlacement> PreviewBasePlacements(const DriverDevmode& r, bool workingCopy) {
    std::vector<BitmapPlacement> out;
    const bool collated = (Get(r, dm::Flags1) & kFlags1Collate) != 0;
    out.push_back({collated ? kBaseCollated : kBasePlain, kBaseX, kBaseY, SRCCOPY});
    const bool rows = Get(r, dm::SeparateTraysOn) == 1 ||
                      (workingCopy ? Get(r, dm::SlipSheetsChecked) == 1 : Get(r, dm::SlipSheetsOn) == 1);
    if (rows) out.push_back({Get(r, dm::SlipSheetKind) == 1 ? kRowMarkerSlip : kRowMarker, kBaseX, kRowY, SRCCOPY});
    const int t = Get(r, dm::StampDrawFlag) == 1 ? 1 : 0;
    const int s = Get(r, dm::AnnotationOn) == 1 ? 2 : 0;
    const int f = (Get(r, dm::FlagsWord) & kFlagsWordOverlayOn) ? 4 : 0;
    if (const WORD id = kOverlayIndicator[t + s + f]) out.push_back({id, kBaseX, kOverlayY, SRCCOPY});
    return out;
}

std::vector<BitmapPlacement> PaperPicturePlacements(const DriverDevmode& r, LONG version) {
    SHORT orientation = Get(r, dm::Orientation);
    std::u16string name = GetText(r, dm::OutPaperName);
    if (name.empty()) name = GetText(r, dm::FormName);
    if (TurnsOrientation(name, version) && (orientation == 1 || orientation == 2))
        orientation = orientation == 1 ? 2 : 1;
    const bool portrait = orientation == 1;
    const Frame& frame = UsesPortraitFrame(Get(r, dm::LayoutMode), portrait) ? kPortraitFrame : kLandscapeFrame;

    std::vector<BitmapPlacement> out;
    out.push_back({frame.sheet, frame.sheetAt.x, frame.sheetAt.y, SRCCOPY});
    int content, longMark, shortMark;
    ContentAndMark(r, portrait, content, longMark, shortMark);
    if (content <= 0) return out;  // a layout kind without a picture shows the bare sheet
    out.push_back({static_cast<WORD>(content), frame.contentAt.x, frame.contentAt.y, SRCCOPY});
    const SHORT duplex = Get(r, dm::Duplex);
    if (duplex == DMDUP_VERTICAL)
        out.push_back({static_cast<WORD>(longMark), frame.longEdgeMark.x, frame.longEdgeMark.y, SRCCOPY});
    if (duplex == DMDUP_HORIZONTAL)
        out.push_back({static_cast<WORD>(shortMark), frame.shortEdgeMark.x, frame.shortEdgeMark.y, SRCCOPY});
    return out;
}

std::vector<BitmapPlacement> PrinterPicturePlacements(const DriverDevmode& r, bool modelPicture, SIZE client,
                                                      SIZE picture) {
    const WORD mask = modelPicture ? 873 : 850;
    const WORD image = modelPicture ? 872 : 840;
    const int x = (client.cx - picture.cx) / 2;
    int y = (client.cy - picture.cy - kPrinterBelow) / 2;
    std::vector<BitmapPlacement> out = {{mask, x, y, SRCAND}, {image, x, y, SRCPAINT}};
    y += modelPicture ? kOwnPictureStep : kPrinterStep;
    for (unsigned pair : {dm::kFeeder2, dm::kFeeder3, dm::kFeeder4}) {
        if (!DeviceInstalled(r, pair)) continue;
        const WORD kind = Get(r, dm::DeviceChoice(pair));
        const bool thin = kind == 1 || kind == 6;
        out.push_back({WORD(thin ? 852 : 853), x, y, SRCAND});
        out.push_back({WORD(thin ? 842 : 843), x, y, SRCPAINT});
        y += thin ? kThinTrayStep : kTrayStep;
    }
    return out;
}

std::u16string ZoomCaptionText(const DriverDevmode& r) {
    const std::u16string form = GetText(r, dm::FormName);
    const std::u16string out = GetText(r, dm::OutPaperName);
    std::u16string caption = form;
    if (!out.empty() && out != form && !IsSizeMappingName(form)) caption += u"->" + out;
    if (Get(r, dm::LayoutMode) != 1) return caption + (kJapaneseBuild ? u" (自動)" : u" (Auto)");
    const std::string zoom = std::to_string(Get(r, dm::Zoom));
    return caption + u" (" + std::u16string(zoom.begin(), zoom.end()) + u"%)";
}

BOOL DrawBitmapRop(HMODULE module, HDC hdc, WORD id, int x, int y, DWORD rop) {
    std::unique_ptr<HBITMAP__, BitmapFree> bitmap(LoadBitmapW(module, MAKEINTRESOURCEW(id)));
    BITMAP bm{};
    if (!bitmap || GetObjectW(bitmap.get(), sizeof bm, &bm) == 0) return FALSE;
    std::unique_ptr<HDC__, DcFree> memory(CreateCompatibleDC(hdc));
    if (!memory) return FALSE;
    Selected in(memory.get(), bitmap.get());
    return BitBlt(hdc, x, y, bm.bmWidth, bm.bmHeight, memory.get(), 0, 0, rop);
}

BOOL DrawPlacements(HMODULE module, HDC hdc, const std::vector<BitmapPlacement>& placements) {
    BOOL all = TRUE;
    for (const BitmapPlacement& p : placements)
        if (!DrawBitmapRop(module, hdc, p.id, p.x, p.y, p.rop)) all = FALSE;
    return all;
}

BOOL DrawPreviewBitmap(PageContext* page, HDC hdc, BOOL workingCopy) {
    if (!page || !page->uiContext) return FALSE;
    const UiContext* ui = page->uiContext;
    const DriverDevmode& r = workingCopy ? ui->scratchDevmode : ui->currentDevmode;
    return DrawPlacements(GetInterfaceModule(), hdc, PreviewBasePlacements(r, workingCopy != FALSE));
}

BOOL DrawPaperPicture(PageContext* page, HDC hdc, HWND) {
    if (!page || !page->uiContext) return FALSE;
    const UiContext* ui = page->uiContext;
    return DrawPlacements(GetInterfaceModule(), hdc,
                          PaperPicturePlacements(ui->currentDevmode, DeviceDataVersion(ui->deviceData)));
}

BOOL SetZoomCaption(PageContext* page, HWND dialog, BOOL workingCopy) {
    if (!page || !page->uiContext) return FALSE;
    const UiContext* ui = page->uiContext;
    const std::u16string text = ZoomCaptionText(workingCopy ? ui->scratchDevmode : ui->currentDevmode);
    return SetDlgItemTextW(dialog, 3838, text.c_str());
}

BOOL DrawPrinterPicture(PageContext* page, HDC hdc, HWND control) {
    if (!page || !page->uiContext) return FALSE;
    const UiContext* ui = page->uiContext;
    RECT client{};
    if (!GetClientRect(control, &client)) return FALSE;
    const HMODULE module = GetInterfaceModule();
    const bool own = DeviceDataField(ui->deviceData, dd::kPrivateID) == kOwnPictureModelId;
    const auto placements = PrinterPicturePlacements(
        ui->currentDevmode, own, SIZE{client.right - client.left, client.bottom - client.top}, BitmapSize(module, 850));
    return DrawPlacements(module, hdc, placements);
}

}  // namespace orla
