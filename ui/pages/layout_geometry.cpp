// The layout-detail dialog's arithmetic, kept apart from its window so each rule can be checked
// on its own. Every division by a paper or preview size is guarded: a form of no size gives an
// empty preview, never a fault.
#include "ui/pages/layout_geometry.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/build_variant.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/paper_names.h"

namespace orla {

namespace {

// Papers turned on their side, which change the edge the back is mirrored about.
constexpr std::array<std::u16string_view, 9> kMirrorRotatedPapers = {
    kFormA3Rotated,          kFormA4Rotated,     kFormA5Rotated,       kFormB4Rotated,
    kFormB5Rotated,          kFormLetterRotated, kFormPostcardRotated, kFormDoublePostcardRotated,
    kFormEnvelopeYou4Rotated};

constexpr int kPreviewShareOneSide = 90;  // percent of the client height
constexpr int kPreviewShareTwoSides = 70;
constexpr LONG kHandleHalf = 5;
constexpr WORD kDuplexUnitReady = dm::kDeviceReady;
constexpr WORD kTransparency = 3;

bool TurnsSheet(WORD nupKind) {
    return nupKind == 2 || nupKind == 6 || nupKind == 8;
}

LONG CeilHundredth(LONG micrometres) {
    return micrometres >= 0 ? (micrometres + 99) / 100 : -((-micrometres) / 100);
}

FormList FormListFor(const CompiledDeviceData* data, bool landscape, bool compatible) {
    if (compatible) return landscape ? CompatibleLandscapeForms(data) : CompatiblePortraitForms(data);
    return landscape ? LandscapeForms(data) : PortraitForms(data);
}

// The margins of the first listed form of the name; 50 all round for a name not listed.
LayoutMargins FormMargins(const FormList& list, std::u16string_view name, LONG width, LONG length, bool landscape) {
    if (!name.empty())
        for (FormEntry e : list) {
            if (e.name != name) continue;
            const LONG across = landscape ? length : width;
            const LONG down = landscape ? width : length;
            return {CeilHundredth(e.left), CeilHundredth(e.top), across - CeilHundredth(e.right),
                    down - CeilHundredth(e.bottom)};
        }
    return {kUnlistedMargin, kUnlistedMargin, kUnlistedMargin, kUnlistedMargin};
}

void CopyName(LayoutState* state, std::u16string_view name) {
    const size_t n = std::min<size_t>(name.size(), kLayoutPaperNameChars - 1);
    std::copy_n(name.begin(), n, state->paperName);
    state->paperName[n] = 0;
}

RECT Rect(LONG left, LONG top, LONG width, LONG height) {
    return {left, top, left + width, top + height};
}

bool Intersects(const RECT& a, const RECT& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// The sheet's printable rectangle in 0.1 mm from its top-left corner.
RECT SheetPrintable(const LayoutState& s) {
    const LayoutMargins& m = s.sheetMargins;
    return {m.left, m.top, s.outputPaper.width - m.right, s.outputPaper.height - m.bottom};
}

RECT StoredImage(const LayoutState& s, const DriverDevmode& r, int side) {
    const LayoutSize image = ImageSize(s, Get(r, dm::Zoom));
    return Rect(PositionLeft(r, side), PositionTop(r, side), image.width, image.height);
}

void PlaceSide(LayoutState* s, const DriverDevmode& r, int side, POINT centre) {
    const LONG size = s->previewPaperSize;
    const LONG longSide = SheetLongSide(*s);
    const LayoutSize& paper = s->outputPaper;
    // A paper of no size has no sheet in the preview either.
    const LONG across = longSide > 0 ? size : 0;
    const LONG w = paper.width >= paper.height ? across : RoundDiv(LONG{size} * paper.width, longSide);
    const LONG h = paper.width >= paper.height ? RoundDiv(LONG{size} * paper.height, longSide) : across;
    LayoutSideRects& rects = s->side[side];
    rects.sheet = Rect(centre.x - w / 2, centre.y - h / 2, w, h);
    const LayoutMargins& m = s->sheetMargins;
    rects.printable = {rects.sheet.left + ToPreview(*s, m.left), rects.sheet.top + ToPreview(*s, m.top),
                       rects.sheet.right - ToPreview(*s, m.right), rects.sheet.bottom - ToPreview(*s, m.bottom)};
    const LayoutSize image = ImageSize(*s, Get(r, dm::Zoom));
    rects.image = Rect(rects.sheet.left + ToPreview(*s, PositionLeft(r, side)),
                       rects.sheet.top + ToPreview(*s, PositionTop(r, side)), ToPreview(*s, image.width),
                       ToPreview(*s, image.height));
    ComputeHandles(&rects);
    const bool nup = (s->layoutFlags & kLayoutNup) != 0;
    s->defaultOrigin[side] = {rects.sheet.left + ToPreview(*s, nup ? kNupPosition : m.left),
                              rects.sheet.top + ToPreview(*s, nup ? kNupPosition : m.top)};
}

// Half of a sum of shown values, rounded half up.
LONG HalfRoundedUp(LONG sum) {
    return sum >= 0 ? (sum + 1) / 2 : -((-sum) / 2);
}

LONG ShownGapToStored(LONG shown, LayoutUnit unit) {
    return LimitToRange(ShownToStored(shown, unit), UnitRuleOf(LayoutUnit::kMillimetres).range);
}

}  // namespace

LayoutUnit LayoutUnitOf(const DriverDevmode& r) {
    return (Get(r, dm::Flags1) & kFlags1LayoutInches) ? LayoutUnit::kInches : LayoutUnit::kMillimetres;
}

DmField<DWORD> PositionTopField(int side) {
    return side == kLayoutBack ? dm::PrintPosTop2 : dm::PrintPosTop;
}
DmField<DWORD> PositionLeftField(int side) {
    return side == kLayoutBack ? dm::PrintPosLeft2 : dm::PrintPosLeft;
}
LONG PositionTop(const DriverDevmode& r, int side) {
    return static_cast<LONG>(Get(r, PositionTopField(side)));
}
LONG PositionLeft(const DriverDevmode& r, int side) {
    return static_cast<LONG>(Get(r, PositionLeftField(side)));
}
void SetPosition(DriverDevmode& r, int side, LONG top, LONG left) {
    Set(r, PositionTopField(side), static_cast<DWORD>(top));
    Set(r, PositionLeftField(side), static_cast<DWORD>(left));
}

DWORD EvaluateLayoutFlags(DWORD flags, const DriverDevmode& r, DWORD uiFlags) {
    const bool freeZoom = (Get(r, dm::Flags1) & kFlags1ManualZoom) != 0;
    const bool overlay = (Get(r, dm::FlagsWord) & kFlagsWordOverlayOn) != 0;
    const bool mapping = IsSizeMappingName(GetText(r, dm::FormName));
    if (freeZoom) flags |= kLayoutResizable;
    if (overlay || mapping) flags &= ~kLayoutResizable;

    const bool back = Get(r, dm::Duplex) != DMDUP_SIMPLEX &&
                      (Get(r, dm::DeviceState(dm::kDuplex)) & kDuplexUnitReady) != 0 &&
                      Get(r, dm::PaperType) != kTransparency && uiFlags != kUiAdvanced;
    flags = back ? (flags | kLayoutBackSide) : (flags & ~kLayoutBackSide);

    const bool nup = Get(r, dm::LayoutMode) != 1 && !freeZoom && !overlay;
    flags = nup ? (flags | kLayoutNup) : (flags & ~kLayoutNup);
    if (!freeZoom && !overlay && mapping) flags &= ~kLayoutResizable;
    return flags;
}

void ComputeLayoutPapers(LayoutState* s, const DriverDevmode& r, const CompiledDeviceData* data) {
    const DEVMODEW& pub = *AsDevmode(r);
    const bool landscape = pub.dmOrientation == DMORIENT_LANDSCAPE;
    const bool compatible = (Get(r, dm::Flags2) & kFlags2OverlayMode) != 0;
    const bool turned = TurnsSheet(Get(r, dm::LayoutMode));
    const bool outputChosen = Get(r, dm::OutPaperIndex) != 0;

    s->logicalPaper = {pub.dmPaperWidth, pub.dmPaperLength};
    s->outputPaper = outputChosen ? LayoutSize{Get(r, dm::OutPaperWidth), Get(r, dm::OutPaperLength)} : s->logicalPaper;
    CopyName(s, outputChosen ? GetText(r, dm::OutPaperName) : GetText(r, dm::FormName));

    s->pageMargins = FormMargins(FormListFor(data, landscape, compatible), GetText(r, dm::FormName),
                                 s->logicalPaper.width, s->logicalPaper.height, landscape);
    const bool sheetLandscape = landscape != turned;
    s->sheetMargins = FormMargins(FormListFor(data, sheetLandscape, compatible), GetText(r, dm::OutPaperName),
                                  s->outputPaper.width, s->outputPaper.height, sheetLandscape);

    if ((!landscape && turned) || (landscape && !turned)) {
        std::swap(s->logicalPaper.width, s->logicalPaper.height);
        std::swap(s->outputPaper.width, s->outputPaper.height);
    }
}

void MakeNupPage(LayoutState* s) {
    s->logicalPaper = s->outputPaper;
    s->pageMargins = {kNupPosition, kNupPosition, kNupPosition, kNupPosition};
}

LayoutSize PagePrintable(const LayoutState& s) {
    const LayoutMargins& m = s.pageMargins;
    return {s.logicalPaper.width - m.left - m.right, s.logicalPaper.height - m.top - m.bottom};
}

LayoutSize ImageSize(const LayoutState& s, LONG zoom) {
    const LayoutSize printable = PagePrintable(s);
    return {RoundDiv(static_cast<long long>(zoom) * printable.width, 100),
            RoundDiv(static_cast<long long>(zoom) * printable.height, 100)};
}

LONG SheetLongSide(const LayoutState& s) {
    return std::max(s.outputPaper.width, s.outputPaper.height);
}

LONG ToPreview(const LayoutState& s, LONG tenthsMm) {
    return RoundDiv(static_cast<long long>(tenthsMm) * s.previewPaperSize, SheetLongSide(s));
}

LONG FromPreview(const LayoutState& s, LONG pixels) {
    return RoundDiv(static_cast<long long>(pixels) * SheetLongSide(s), s.previewPaperSize);
}

void ComputeHandles(LayoutSideRects* side) {
    const RECT& i = side->image;
    const POINT corners[4] = {{i.left, i.top}, {i.right, i.top}, {i.left, i.bottom}, {i.right, i.bottom}};
    for (int c = 0; c < 4; ++c)
        side->handles[c] = {corners[c].x - kHandleHalf, corners[c].y - kHandleHalf, corners[c].x + kHandleHalf,
                            corners[c].y + kHandleHalf};
}

void ComputePreviewGeometry(LayoutState* s, const DriverDevmode& r, LONG clientWidth, LONG clientHeight) {
    const LONG w = std::max<LONG>(clientWidth, 0), h = std::max<LONG>(clientHeight, 0);
    const bool back = (s->layoutFlags & kLayoutBackSide) != 0;
    s->previewPaperSize =
        static_cast<WORD>(std::min<LONG>(h * (back ? kPreviewShareTwoSides : kPreviewShareOneSide) / 100, 0xFFFF));
    if (!back) {
        PlaceSide(s, r, kLayoutFront, {w / 2, h / 2});
        return;
    }
    PlaceSide(s, r, kLayoutFront, {w / 4 + h / 20, h / 2});
    PlaceSide(s, r, kLayoutBack, {3 * w / 4 - h / 20, h / 2});
}

LayoutShownSide ShownSide(const LayoutState& s, const DriverDevmode& r, int side) {
    const LayoutUnit unit = LayoutUnitOf(r);
    const LONG top = PositionTop(r, side), left = PositionLeft(r, side);
    const LONG shownTop = StoredToShown(top, unit), shownLeft = StoredToShown(left, unit);
    if (s.layoutFlags & kLayoutNup) {
        const LONG edge = StoredToShown(2 * kNupPosition, unit);
        return {shownTop, shownLeft, edge - shownTop, edge - shownLeft};
    }
    const LayoutSize image = ImageSize(s, Get(r, dm::Zoom));
    return {shownTop, shownLeft, StoredToShown(s.outputPaper.height - top - image.height, unit),
            StoredToShown(s.outputPaper.width - left - image.width, unit)};
}

LayoutPosition CentredPosition(const LayoutState& s, const DriverDevmode& r, int side) {
    const LayoutUnit unit = LayoutUnitOf(r);
    const LayoutShownSide shown = ShownSide(s, r, side);
    return {ShownToStoredTruncated(HalfRoundedUp(shown.top + shown.bottom), unit),
            ShownToStoredTruncated(HalfRoundedUp(shown.left + shown.right), unit)};
}

bool MirrorKeepsTop(const LayoutState& s, const DriverDevmode& r, LONG version) {
    const SHORT orientation = Get(r, dm::Orientation), duplex = Get(r, dm::Duplex);
    const bool longEdge = (orientation == DMORIENT_PORTRAIT && duplex == DMDUP_VERTICAL) ||
                          (orientation == DMORIENT_LANDSCAPE && duplex == DMDUP_HORIZONTAL);
    const bool turnedNup = (s.layoutFlags & kLayoutNup) && TurnsSheet(Get(r, dm::LayoutMode));
    const bool rotated = version >= 4 && IsOneOf(kMirrorRotatedPapers, std::u16string_view(s.paperName));
    return (int{longEdge} + int{turnedNup} + int{rotated}) % 2 == 1;
}

LayoutPosition MirroredBackPosition(const LayoutState& s, const DriverDevmode& r, LONG version) {
    const LayoutUnit unit = LayoutUnitOf(r);
    const LayoutShownSide front = ShownSide(s, r, kLayoutFront);
    if (MirrorKeepsTop(s, r, version)) return {PositionTop(r, kLayoutFront), ShownGapToStored(front.right, unit)};
    return {ShownGapToStored(front.bottom, unit), PositionLeft(r, kLayoutFront)};
}

bool CheckImageOnSheet(const LayoutState& s, const DriverDevmode& r) {
    const RECT printable = SheetPrintable(s);
    if (Intersects(StoredImage(s, r, kLayoutFront), printable)) return true;
    return (s.layoutFlags & kLayoutBackSide) && Intersects(StoredImage(s, r, kLayoutBack), printable);
}

LayoutGrid NupGrid(WORD pagesPerSheet, bool imageWide) {
    int along = 1, across = 1;
    switch (pagesPerSheet) {
        case 2:
            along = 2;
            break;
        case 4:
            along = across = 2;
            break;
        case 6:
            along = 3;
            across = 2;
            break;
        case 8:
            along = 4;
            across = 2;
            break;
        case 9:
            along = across = 3;
            break;
        case 16:
            along = across = 4;
            break;
    }
    return imageWide ? LayoutGrid{along, across} : LayoutGrid{across, along};
}

std::u16string LayoutCaption(const LayoutState& s, LayoutUnit unit) {
    const bool inches = unit == LayoutUnit::kInches;
    const int scale = inches ? 100 : 10;
    const LONG w = inches ? TenthsMmToHundredthsInchTruncated(s.outputPaper.width) : s.outputPaper.width;
    const LONG h = inches ? TenthsMmToHundredthsInchTruncated(s.outputPaper.height) : s.outputPaper.height;
    return std::u16string(s.paperName) + u" (" + FormatFixedPoint(w, scale) + u" x " + FormatFixedPoint(h, scale) +
           (inches ? u" inch)" : u" mm)");
}

}  // namespace orla
