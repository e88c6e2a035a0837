// The preview's mouse rules. Pixels become positions again through the sheet's scale, which is
// guarded against a preview or paper of no size: such a drag moves the picture but stores nothing.
#include "ui/pages/layout_drag.h"

#include <algorithm>
#include <cstdlib>

#include "ui/pages/layout_geometry.h"

namespace orla {

namespace {

bool Inside(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

DWORD HitSide(const LayoutState& s, int side, POINT p, bool handles) {
    const LayoutSideRects& rects = s.side[side];
    if (handles)
        for (int c = 0; c < 4; ++c)
            if (Inside(rects.handles[c], p)) return LayoutHandleBit(side, c);
    return Inside(rects.image, p) ? LayoutBodyBit(side) : 0;
}

int SideOfHit(DWORD hit) {
    return (hit & (kLayoutHitBack | kLayoutHitBackHandles)) ? kLayoutBack : kLayoutFront;
}

// The corner of a handle hit, -1 for a body.
int CornerOfHit(DWORD hit) {
    for (int side = 0; side < 2; ++side)
        for (int c = 0; c < 4; ++c)
            if (hit & LayoutHandleBit(side, c)) return c;
    return -1;
}

bool IsLeftCorner(int corner) {
    return corner == kCornerTopLeft || corner == kCornerBottomLeft;
}
bool IsTopCorner(int corner) {
    return corner == kCornerTopLeft || corner == kCornerTopRight;
}

POINT CornerPoint(const RECT& r, int corner) {
    return {IsLeftCorner(corner) ? r.left : r.right, IsTopCorner(corner) ? r.top : r.bottom};
}

// A stroke against the handle's diagonal: the top-left and bottom-right handles run along
// (-,-)/(+,+), the other two along (+,-)/(-,+).
bool AgainstDiagonal(int corner, LONG dx, LONG dy) {
    const bool mainDiagonal = corner == kCornerTopLeft || corner == kCornerBottomRight;
    const bool sameSense = (dx > 0 && dy > 0) || (dx < 0 && dy < 0);
    const bool oppositeSense = (dx > 0 && dy < 0) || (dx < 0 && dy > 0);
    return mainDiagonal ? oppositeSense : sameSense;
}

// The image resized to width x height with the corner opposite the handle fixed.
void ResizeFromCorner(RECT* image, int corner, LONG width, LONG height) {
    if (IsLeftCorner(corner))
        image->left = image->right - width;
    else
        image->right = image->left + width;
    if (IsTopCorner(corner))
        image->top = image->bottom - height;
    else
        image->bottom = image->top + height;
}

void StorePositions(const LayoutState& s, DriverDevmode& r, int side) {
    if (s.previewPaperSize == 0 || SheetLongSide(s) <= 0) return;
    const LayoutSideRects& rects = s.side[side];
    SetPosition(r, side, FromPreview(s, rects.image.top - rects.sheet.top),
                FromPreview(s, rects.image.left - rects.sheet.left));
}

// The zoom the resized image stands for, measured along the sheet's longer side.
void StoreDragZoom(const LayoutState& s, DriverDevmode& r, int side) {
    const LayoutSideRects& rects = s.side[side];
    const bool vertical = s.outputPaper.height >= s.outputPaper.width;
    const LayoutMargins& m = s.sheetMargins;
    const long long imagePixels =
        vertical ? rects.image.bottom - rects.image.top : rects.image.right - rects.image.left;
    const long long sheetPixels =
        vertical ? rects.printable.bottom - rects.printable.top : rects.printable.right - rects.printable.left;
    const long long sheetLength =
        vertical ? s.outputPaper.height - m.top - m.bottom : s.outputPaper.width - m.left - m.right;
    const LayoutSize page = PagePrintable(s);
    const long long pageLength = vertical ? page.height : page.width;
    if (sheetPixels <= 0 || pageLength <= 0) return;
    const LONG zoom = std::clamp<LONG>(RoundDiv(imagePixels * sheetLength * 100, sheetPixels * pageLength), 0, 0xFFFF);
    Set(r, dm::Zoom, static_cast<WORD>(zoom));
    Set(r, dm::SavedZoom, static_cast<WORD>(zoom));
}

LayoutMouseAnswer PointerBack(const LayoutState& s) {
    return {false, true, s.dragPoint};
}

LayoutMouseAnswer MoveBody(LayoutState* s, DriverDevmode& r, int side, POINT p) {
    RECT& image = s->side[side].image;
    const LONG dx = p.x - s->dragPoint.x, dy = p.y - s->dragPoint.y;
    image = {image.left + dx, image.top + dy, image.right + dx, image.bottom + dy};
    ComputeHandles(&s->side[side]);
    s->dragPoint = p;
    StorePositions(*s, r, side);
    return {true, false, p};
}

LayoutMouseAnswer ResizeImages(LayoutState* s, DriverDevmode& r, int side, int corner, POINT p) {
    const LONG dx = p.x - s->dragPoint.x, dy = p.y - s->dragPoint.y;
    const LayoutSize aspect = PagePrintable(*s);
    if (AgainstDiagonal(corner, dx, dy) || aspect.width <= 0 || aspect.height <= 0) return PointerBack(*s);

    const RECT& image = s->side[side].image;
    const LONG growX = IsLeftCorner(corner) ? -dx : dx, growY = IsTopCorner(corner) ? -dy : dy;
    LONG width = 0, height = 0;
    if (std::labs(dx) >= std::labs(dy)) {
        width = image.right - image.left + growX;
        height = RoundDiv(static_cast<long long>(width) * aspect.height, aspect.width);
    } else {
        height = image.bottom - image.top + growY;
        width = RoundDiv(static_cast<long long>(height) * aspect.width, aspect.height);
    }
    const RECT& sheet = s->side[side].sheet;
    const bool shortAcross = sheet.right - sheet.left <= sheet.bottom - sheet.top;
    const LONG minimum = MinimumImagePixels(*s);
    bool held = false;
    if (shortAcross && width < minimum) {
        width = minimum;
        height = RoundDiv(static_cast<long long>(minimum) * aspect.height, aspect.width);
        held = true;
    } else if (!shortAcross && height < minimum) {
        height = minimum;
        width = RoundDiv(static_cast<long long>(minimum) * aspect.width, aspect.height);
        held = true;
    }

    const bool back = (s->layoutFlags & kLayoutBackSide) != 0;
    for (int each = 0; each < (back ? 2 : 1); ++each) {
        ResizeFromCorner(&s->side[each].image, corner, width, height);
        ComputeHandles(&s->side[each]);
        StorePositions(*s, r, each);
    }
    if ((s->layoutFlags & kLayoutResizable) && !(s->layoutFlags & kLayoutNup)) StoreDragZoom(*s, r, side);
    s->dragPoint = held ? CornerPoint(s->side[side].image, corner) : p;
    return {true, held, s->dragPoint};
}

}  // namespace

DWORD HitTestLayout(const LayoutState& s, POINT p) {
    const bool back = (s.layoutFlags & kLayoutBackSide) != 0;
    const int first = back && (s.layoutFlags & kLayoutBackFirst) ? kLayoutBack : kLayoutFront;
    const bool handles = (s.layoutFlags & kLayoutResizable) && !(s.layoutFlags & kLayoutNup);
    DWORD hit = HitSide(s, first, p, handles);
    if (!hit && back) hit = HitSide(s, first == kLayoutFront ? kLayoutBack : kLayoutFront, p, handles);
    return hit;
}

LayoutCursor CursorForHit(DWORD hit) {
    if (hit == 0) return LayoutCursor::kArrow;
    const int corner = CornerOfHit(hit);
    if (corner < 0) return LayoutCursor::kSizeAll;
    return corner == kCornerTopLeft || corner == kCornerBottomRight ? LayoutCursor::kSizeNwse : LayoutCursor::kSizeNesw;
}

LONG MinimumImagePixels(const LayoutState& s) {
    const RECT& sheet = s.side[kLayoutFront].sheet;
    const LONG shortSide = std::min(sheet.right - sheet.left, sheet.bottom - sheet.top);
    return std::max<LONG>((shortSide + 99) / 100, 1);
}

bool BeginLayoutDrag(LayoutState* s, POINT p, LayoutMouseAnswer* answer) {
    *answer = {false, false, p};
    const DWORD hit = HitTestLayout(*s, p);
    s->layoutFlags = (s->layoutFlags & ~kLayoutHitMask) | hit;
    if (!hit) return false;
    const int side = SideOfHit(hit);
    s->layoutFlags |= kLayoutDragging;
    s->layoutFlags = side == kLayoutBack ? (s->layoutFlags | kLayoutBackFirst) : (s->layoutFlags & ~kLayoutBackFirst);
    const int corner = CornerOfHit(hit);
    s->dragPoint = corner < 0 ? p : CornerPoint(s->side[side].image, corner);
    *answer = {false, corner >= 0, s->dragPoint};
    return true;
}

LayoutMouseAnswer DragLayout(LayoutState* s, DriverDevmode& r, POINT p) {
    const DWORD hit = s->layoutFlags & kLayoutHitMask;
    if (!(s->layoutFlags & kLayoutDragging) || !hit) return {false, false, p};
    if (p.x == s->dragPoint.x && p.y == s->dragPoint.y) return {false, false, p};
    const int side = SideOfHit(hit);
    const int corner = CornerOfHit(hit);
    return corner < 0 ? MoveBody(s, r, side, p) : ResizeImages(s, r, side, corner, p);
}

LayoutMouseAnswer EndLayoutDrag(LayoutState* s) {
    const bool dragging = (s->layoutFlags & kLayoutDragging) != 0;
    s->layoutFlags &= ~kLayoutDragging;
    for (LayoutSideRects& side : s->side) ComputeHandles(&side);
    return {false, dragging, s->dragPoint};
}

}  // namespace orla
