// DrvStrokePath, DrvFillPath, DrvStrokeAndFillPath and DrvPaint: the common preamble, the line
// attributes of strokes, colour and brush, then the path writer once per clip piece. A path the
// printer cannot take goes to the engine, which draws it through the driver's bitmap hooks.
#include <algorithm>
#include <cmath>

#include "core/build_variant.h"
#include "render/brushes.h"
#include "render/ddi_hooks.h"
#include "render/drawing_hooks.h"
#include "render/graphics_state.h"
#include "render/output_writer.h"
#include "render/path_output.h"
#include "render/pdev.h"
#include "win/kernel.h"

namespace {

constexpr MIX kMixNop = 0x0B0B;  // R2_NOP in foreground and background
constexpr COLORREF kPatternStrokeColour = 0x7F7F7F;

enum class Preamble { Fail, Done, Go };

// The preamble every path hook and DrvPaint run before they write anything.
Preamble PathHookPreamble(SURFOBJ* surface, MIX mix, PrinterPdev** out) {
    PrinterPdev* pdev = CheckedPdevOfSurface(surface);
    if (pdev == nullptr) return Preamble::Fail;
    if (pdev->state & kStateOutputFailed) return Preamble::Fail;
    pdev->state |= kStateClipPathAttempt;
    // The Japanese build starts job and page on the first drawing; the English one in DrvStartPage.
    if constexpr (orla::kJapaneseBuild) {
        if (!FlushPendingStart(pdev)) return Preamble::Fail;
    }
    if (pdev->state & kStateOutputFailed) return Preamble::Fail;
    if ((mix & 0xFFFF) == kMixNop) return Preamble::Done;
    if (pdev->state & kStateModeR) {
        if (!WriteBytes(pdev, {0x1C, 0x52})) return Preamble::Fail;
        pdev->state &= ~kStateModeR;
    }
    if (pdev->state & kStateModeZ) {
        if (!WriteBytes(pdev, {0x1C, 0x59})) return Preamble::Fail;
        pdev->state &= ~kStateModeZ;
    }
    if (!WriteVectorModeSetup(pdev)) return Preamble::Fail;
    if (!pdev->graphics.downloadCachePrepared) {
        if (!ResetDownloadCacheForPage(pdev)) return Preamble::Fail;
        pdev->graphics.downloadCachePrepared = TRUE;
    }
    *out = pdev;
    return Preamble::Go;
}

RECTL PageRectangle(const PrinterPdev* pdev) {
    const RECTL& p = pdev->geometry.printable;
    return RECTL{0, 0, p.right - p.left, p.bottom - p.top};
}

// The stroke colour: a pattern brush strokes in middle grey, a solid one in its adjusted colour.
COLORREF StrokeColour(PrinterPdev* pdev, BRUSHOBJ* brush) {
    if (brush == nullptr || brush->iSolidColor == 0xFFFFFFFF) return kPatternStrokeColour;
    BYTE adjusted[3] = {};
    AdjustGraphicsColour(&pdev->colour.context, brush->iSolidColor & 0x00FFFFFF, adjusted, nullptr);
    return RGB(adjusted[0], adjusted[1], adjusted[2]);
}

// TRUE when a complex clip's outline holds more points (plus closed figures) than the printer's
// clip path takes.
bool ClipTooComplex(PrinterPdev* pdev, CLIPOBJ* clip) {
    if (clip == nullptr || clip->iDComplexity != DC_COMPLEX) return false;
    PATHOBJ* outline = CLIPOBJ_ppoGetPath(clip);
    if (outline == nullptr) return true;
    size_t size = 0;
    EnumPathData(outline, [&](const PATHDATA& pd, bool) {
        size += pd.count + ((pd.flags & PD_CLOSEFIGURE) ? 1 : 0);
        return true;
    });
    EngDeletePath(outline);
    return size > pdev->graphics.deviceLimits[5];
}

// What the clip walker loop does for each hook: selects per piece (brush), writes the path and
// paints it. Returns 1 done, 0 the engine must draw the call, -1 output failed.
template <class SelectFn>
int WritePerClipPiece(PrinterPdev* pdev, CLIPOBJ* clip, const PathPoints& path, DWORD kind, FLONG fillMode,
                      SelectFn select) {
    const bool complex = clip != nullptr && clip->iDComplexity == DC_COMPLEX;
    BOOL first = TRUE, drew = FALSE, more;
    do {
        RECTL piece{};
        BOOL have = FALSE;
        more = WalkClip(pdev, clip, first, &piece, &have);
        first = FALSE;
        if (OutputFailed(pdev)) return -1;
        if (!have) {
            if (!drew && complex) break;
            continue;
        }
        const int selected = select(piece);
        if (selected <= 0) return selected;
        if (WritePath(pdev, path, kind, fillMode) == 0) return 0;
        if (!WriteVectorPaint(pdev, pdev->path.kind, fillMode)) return -1;
        drew = TRUE;
    } while (more);
    return OutputFailed(pdev) ? -1 : 1;
}

BYTE JoinEndCode(const LINEATTRS* la) {
    const ULONG join = la->iJoin <= JOIN_MITER ? la->iJoin : JOIN_ROUND;
    const ULONG end = la->iEndCap <= ENDCAP_BUTT ? la->iEndCap : ENDCAP_ROUND;
    return static_cast<BYTE>(join + 16 * end);
}

FLOATL TransformScale(XFORMOBJ* transform) {
    if (transform == nullptr) return 1.0f;
    XFORML x{};
    if (XFORMOBJ_iGetXform(transform, &x) == DDI_ERROR) return 1.0f;
    const double det = std::fabs(static_cast<double>(x.eM11) * x.eM22 - static_cast<double>(x.eM12) * x.eM21);
    return det > 0 ? static_cast<FLOATL>(std::sqrt(det)) : 1.0f;
}

LONG ClampLength(double v) {
    return static_cast<LONG>(std::clamp(v, 1.0, 65535.0));
}

}  // namespace

// ---- Line attributes ----

BOOL WriteLineAttributes(PrinterPdev* pdev, const LINEATTRS* la, XFORMOBJ* transform) {
    static const LINEATTRS kCosmetic{0, JOIN_ROUND, ENDCAP_ROUND, {}, 0.0f, 0, nullptr, {}};
    if (la == nullptr) la = &kCosmetic;
    PathState& v = pdev->path;
    const bool geometric = (la->fl & LA_GEOMETRIC) != 0;
    const LONG dpi = pdev->geometry.resolution;
    const bool doubledDpi = dpi == 200 || dpi == 300;

    // Join and end.
    const BYTE code = geometric ? JoinEndCode(la) : 0;
    WORD value = 0;
    if (geometric) {
        const double miter = std::isfinite(la->eMiterLimit) ? std::max<double>(la->eMiterLimit, 1.0) : 1.0;
        value = static_cast<WORD>(
            std::clamp<long long>(static_cast<long long>(std::min(miter * 256, 1e9)) >> 9, 1, 0xFFFF));
    }
    if (!v.joinSent || v.joinCode != code || v.miterValue != value) {
        if (!WriteBytes(pdev, {0xB0, code, static_cast<BYTE>(value >> 8), static_cast<BYTE>(value)})) return FALSE;
        v.joinSent = TRUE;
        v.joinCode = code;
        v.miterValue = value;
    }

    // Width.
    LONG width;
    if (geometric) {
        const double w = static_cast<double>(la->elWidth.e) * TransformScale(transform);
        width = static_cast<LONG>(std::clamp(std::isfinite(w) ? w : 2.0, 2.0, 65535.0));
        if (doubledDpi) width *= 2;
    } else {
        width = la->elWidth.l;
    }
    if (!WriteLineWidth(pdev, width)) return FALSE;

    // Dash style.
    if (la->fl & LA_ALTERNATE) {
        if (v.dashSent && v.dashState == 1 && pdev->graphics.lineStyle == 1) return TRUE;
        if (!WriteBytes(pdev, {0xAC, 0x01, 0x06, 0x00})) return FALSE;
        pdev->graphics.lineStyle = 1;
        v.dashSent = TRUE;
        v.dashState = 1;
        return TRUE;
    }
    if (la->cstyle == 0 || la->pstyle == nullptr) {
        if (!WriteLineStyle(pdev, 0x00, 0x00)) return FALSE;
        v.dashSent = TRUE;
        v.dashState = 0;
        return TRUE;
    }
    const double scale = (doubledDpi ? dpi * 2 : dpi) / 25.0;
    WORD lengths[kMaxDashLengths] = {};
    const BYTE count = static_cast<BYTE>(std::min<ULONG>(la->cstyle, kMaxDashLengths));
    for (BYTE i = 0; i < count; ++i) {
        const double unit = geometric ? static_cast<double>(la->pstyle[i].e) : static_cast<double>(la->pstyle[i].l);
        lengths[i] = static_cast<WORD>(ClampLength(std::isfinite(unit) ? unit * scale : 1.0));
    }
    if (v.dashSent && v.dashState == 2 && v.dashCount == count && pdev->graphics.lineStyle == 2 &&
        std::equal(lengths, lengths + count, v.dashLengths))
        return TRUE;
    // The printer's dashed style takes one length (a byte) for dashes and gaps alike.
    const BYTE dash = static_cast<BYTE>(std::min<WORD>(lengths[0], 255));
    if (!WriteBytes(pdev, {0xAC, 0x02, dash, 0x00})) return FALSE;
    pdev->graphics.lineStyle = 2;
    v.dashSent = TRUE;
    v.dashState = 2;
    v.dashCount = count;
    std::copy(lengths, lengths + count, v.dashLengths);
    return TRUE;
}

// ---- Hooks ----

DLLEXPORT BOOL APIENTRY DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                                      POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
    PrinterPdev* pdev = nullptr;
    const Preamble start = PathHookPreamble(pso, mix, &pdev);
    if (start != Preamble::Go) return start == Preamble::Done;
    if (!WriteLineAttributes(pdev, plineattrs, pxo)) return FALSE;
    if (!SelectPen(pdev, StrokeColour(pdev, pbo), mix)) return FALSE;
    PathPoints path;
    if (!ReadPathPoints(pdev, ppo, &path)) return EngStrokePath(pso, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix);
    const int r = WritePerClipPiece(pdev, pco, path, kPathStroke, 0, [](const RECTL&) { return 1; });
    if (r == 0) return EngStrokePath(pso, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix);
    return r > 0;
}

DLLEXPORT BOOL APIENTRY DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                                    MIX mix, FLONG flOptions) {
    PrinterPdev* pdev = nullptr;
    const Preamble start = PathHookPreamble(pso, mix, &pdev);
    if (start != Preamble::Go) return start == Preamble::Done;
    PathPoints path;
    if (ClipTooComplex(pdev, pco) || !ReadPathPoints(pdev, ppo, &path))
        return EngFillPath(pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
    const int r = WritePerClipPiece(pdev, pco, path, kPathFill, flOptions, [&](RECTL piece) {
        if (RealizeAndSelectBrush(pdev, nullptr, mix, pbo, pptlBrushOrg, &piece, pso, 0)) return 1;
        return OutputFailed(pdev) ? -1 : 0;  // a brush the printer cannot take: the engine fills
    });
    if (r == 0) return EngFillPath(pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
    return r > 0;
}

DLLEXPORT BOOL APIENTRY DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                             BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                             POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions) {
    PrinterPdev* pdev = nullptr;
    const Preamble start = PathHookPreamble(pso, mixFill, &pdev);
    if (start != Preamble::Go) return start == Preamble::Done;
    PathPoints path;
    if (ClipTooComplex(pdev, pco) || !ReadPathPoints(pdev, ppo, &path))
        return EngStrokeAndFillPath(pso, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill,
                                    flOptions);
    if (!WriteLineAttributes(pdev, plineattrs, pxo)) return FALSE;
    if (!SelectPen(pdev, StrokeColour(pdev, pboStroke), mixFill)) return FALSE;
    const int r = WritePerClipPiece(pdev, pco, path, kPathStrokeAndFill, flOptions, [&](RECTL piece) {
        if (RealizeAndSelectBrush(pdev, nullptr, mixFill, pboFill, pptlBrushOrg, &piece, pso, 0)) return 1;
        return OutputFailed(pdev) ? -1 : 0;
    });
    if (r == 0)
        return EngStrokeAndFillPath(pso, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill,
                                    flOptions);
    return r > 0;
}

DLLEXPORT BOOL APIENTRY DrvPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix) {
    PrinterPdev* pdev = nullptr;
    const Preamble start = PathHookPreamble(pso, mix, &pdev);
    if (start != Preamble::Go) return start == Preamble::Done;
    const RECTL page = PageRectangle(pdev);
    if (!WriteClipRectangle(pdev, &page, FALSE)) return FALSE;
    // 1 filled, 0 a brush the printer cannot take (the engine paints the call), -1 failed.
    auto fill = [&](RECTL r) {
        if (!RealizeAndSelectBrush(pdev, nullptr, mix, pbo, pptlBrushOrg, &r, pso, 0))
            return OutputFailed(pdev) ? -1 : 0;
        return WriteFilledRectangle(pdev, r.left, r.top, r.right, r.bottom, FALSE) ? 1 : -1;
    };
    int r = 1;
    if (pco == nullptr) {
        r = fill(page);
    } else if (pco->iDComplexity == DC_RECT || pco->iDComplexity == DC_COMPLEX) {
        CLIPOBJ_cEnumStart(pco, FALSE, CT_RECTANGLES, CD_ANY, 0);
        BOOL more;
        do {
            ENUMRECTS one{};
            more = CLIPOBJ_bEnum(pco, sizeof one, reinterpret_cast<ULONG*>(&one));
            if (one.c == 0) continue;
            if (one.arcl[0].left >= one.arcl[0].right || one.arcl[0].top >= one.arcl[0].bottom) continue;
            r = fill(one.arcl[0]);
        } while (more && r > 0);
    } else {
        r = fill(pco->rclBounds);
    }
    if (r == 0) return EngPaint(pso, pco, pbo, pptlBrushOrg, mix);
    return r > 0 && !OutputFailed(pdev);
}
