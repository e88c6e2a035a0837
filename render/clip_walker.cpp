// The clip walker: turns the engine's clip object into the printer's clip, one piece a call.
// A rectangle clip is one clip rectangle; a complex clip goes out as one clip path when the
// printer can take it, else as its rectangles, one per call, so the caller draws once per piece.
#include <algorithm>

#include "render/drawing_hooks.h"
#include "render/graphics_state.h"
#include "render/pdev.h"

namespace {

// The printable page of the device context, one pixel beyond on the right and the bottom.
RECTL PageRectangle(const PrinterPdev* pdev) {
    const RECTL& p = pdev->geometry.printable;
    return RECTL{0, 0, p.right - p.left + 1, p.bottom - p.top + 1};
}

// Writes a rectangle piece, or keeps it as the page clip while a path hook asks for that.
BOOL WriteRectanglePiece(PrinterPdev* pdev, const RECTL& rect) {
    if (pdev->state & kStateStorePageClip) {
        pdev->geometry.bandClip[0] = rect;
        if (pdev->state & kStateKeepPageClip) return TRUE;
        const RECTL page = PageRectangle(pdev);
        return WriteClipRectangle(pdev, &page, FALSE);
    }
    return WriteClipRectangle(pdev, &rect, FALSE);
}

// The next rectangle of a running enumeration; FALSE when none is left. *more tells whether
// the enumeration holds further rectangles.
BOOL NextClipRectangle(CLIPOBJ* clip, RECTL* rect, BOOL* more) {
    ENUMRECTS one{};
    do {
        one.c = 0;
        *more = CLIPOBJ_bEnum(clip, sizeof one, reinterpret_cast<ULONG*>(&one));
        if (one.c > 0 && one.arcl[0].left < one.arcl[0].right && one.arcl[0].top < one.arcl[0].bottom) {
            *rect = one.arcl[0];
            return TRUE;
        }
    } while (*more);
    return FALSE;
}

// Tries the clip's outline as one clip path; on success gives its bounds in pixels.
BOOL WriteOutline(PrinterPdev* pdev, CLIPOBJ* clip, RECTL* bounds) {
    PATHOBJ* path = CLIPOBJ_ppoGetPath(clip);
    if (path == nullptr) return FALSE;
    BOOL ok = WriteClipPath(pdev, path);
    if (ok) {
        RECTFX fx{};
        PATHOBJ_vGetBounds(path, &fx);
        *bounds = RECTL{fx.xLeft >> 4, fx.yTop >> 4, (fx.xRight >> 4) + 1, (fx.yBottom >> 4) + 1};
    }
    EngDeletePath(path);
    return ok;
}

}  // namespace

BOOL WalkClip(PrinterPdev* pdev, CLIPOBJ* clip, BOOL first, RECTL* piece, BOOL* havePiece) {
    RECTL unused{};
    BOOL haveUnused = FALSE;
    if (piece == nullptr) piece = &unused;
    if (havePiece == nullptr) havePiece = &haveUnused;
    *havePiece = FALSE;
    if (pdev == nullptr) return FALSE;

    const BYTE complexity = clip != nullptr ? clip->iDComplexity : DC_TRIVIAL;
    if (complexity == DC_TRIVIAL) {
        if (!first) return FALSE;
        *piece = PageRectangle(pdev);
        *havePiece = WriteRectanglePiece(pdev, *piece);
        return FALSE;
    }
    if (complexity == DC_RECT) {
        if (!first) return FALSE;
        *piece = clip->rclBounds;
        if (!pdev->surfaceIsBand) {
            ++piece->right;
            ++piece->bottom;
        }
        *havePiece = WriteRectanglePiece(pdev, *piece);
        return FALSE;
    }
    if (complexity != DC_COMPLEX) return FALSE;

    if (first) {
        if (pdev->state & kStateClipPathAttempt) {
            if (WriteOutline(pdev, clip, piece)) {
                pdev->state &= ~kStateStorePageClip;
                *havePiece = TRUE;
                return FALSE;
            }
            // The printer cannot take this outline: rectangles for the rest of this hook.
            pdev->state &= ~kStateClipPathAttempt;
        }
        CLIPOBJ_cEnumStart(clip, FALSE, CT_RECTANGLES, CD_ANY, 0);
    }
    RECTL rect{};
    BOOL more = FALSE;
    if (!NextClipRectangle(clip, &rect, &more)) return FALSE;
    *piece = rect;
    *havePiece = WriteRectanglePiece(pdev, rect);
    return *havePiece && more;
}
