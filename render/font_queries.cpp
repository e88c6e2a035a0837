// GDI's font queries on the device fonts: DrvQueryFont, DrvQueryFontTree, DrvQueryAdvanceWidths
// and DrvQueryFontData. Every metric is a vector of the font's notional space (1000 units to the
// em) taken through the font transform and measured by the integer vector length.
#include <algorithm>
#include <limits>

#include "render/ddi_hooks.h"
#include "render/device_fonts.h"
#include "render/driver_log.h"

namespace {

constexpr LONG kFontDataError = -1;  // FD_ERROR
constexpr LONG kEm = 1000;

PrinterPdev* Pdev(DHPDEV dhpdev) {
    return reinterpret_cast<PrinterPdev*>(dhpdev);
}

// The record of a face of a valid device context; else last error 87 and null.
const BYTE* CheckedFace(PrinterPdev* pdev, ULONG face) {
    const BYTE* record = ValidatePdev(pdev) ? DeviceFontRecordOf(pdev, face) : nullptr;
    if (record == nullptr) SetLastError(ERROR_INVALID_PARAMETER);
    return record;
}

// A notional point through the transform: device pixels (XF_LTOL) or 28.4 (XF_LTOFX).
POINTL Through(XFORMOBJ* pxo, ULONG mode, LONG x, LONG y) {
    POINTL in{x, y}, out{0, 0};
    if (!XFORMOBJ_bApplyXform(pxo, mode, 1, &in, &out)) return POINTL{0, 0};
    return out;
}

ULONG LengthThrough(XFORMOBJ* pxo, ULONG mode, LONG x, LONG y) {
    const POINTL p = Through(pxo, mode, x, y);
    return IntegerVectorLength(p.x, p.y);
}

constexpr LONG kLongMax = std::numeric_limits<LONG>::max();

LONG AsLong(ULONG value) {
    return value > static_cast<ULONG>(kLongMax) ? kLongMax : static_cast<LONG>(value);
}

// 28.4 rounded to whole pixels: add half a pixel, clear the fraction.
FIX RoundedFix(ULONG fix) {
    return AsLong(fix) > kLongMax - 8 ? kLongMax & ~15 : (AsLong(fix) + 8) & ~15;
}

// Whole pixels that a non-negative 28.4 length reaches into (a fraction counts as a pixel).
LONG PixelsCovered(FIX fix) {
    return static_cast<LONG>((static_cast<LONGLONG>(fix) + 15) >> 4);
}

// A unit vector along a transformed notional vector (zero for a degenerate transform).
POINTE Direction(XFORMOBJ* pxo, LONG x, LONG y) {
    const POINTL p = Through(pxo, XF_LTOFX, x, y);
    const ULONG length = IntegerVectorLength(p.x, p.y);
    if (length == 0) return POINTE{0, 0};
    return POINTE{static_cast<FLOATL>(p.x) / length, static_cast<FLOATL>(p.y) / length};
}

bool FixedPitch(const IFIMETRICS* ifi) {
    return (ifi->flInfo & (FM_INFO_CONSTANT_WIDTH | FM_INFO_DBCS_FIXED_PITCH)) != 0 ||
           (ifi->jWinPitchAndFamily & 3) == FIXED_PITCH;
}

LONG FillMaxExtents(const BYTE* record, XFORMOBJ* pxo, FD_DEVICEMETRICS* dm) {
    const IFIMETRICS* ifi = RecordIfiMetrics(record);
    XFORML m{};
    XFORMOBJ_iGetXform(pxo, &m);
    *dm = FD_DEVICEMETRICS{};
    dm->flRealizedType = FDM_TYPE_BM_SIDE_CONST | FDM_TYPE_ZERO_BEARINGS;
    dm->pteBase = Direction(pxo, kEm, 0);
    dm->pteSide = Direction(pxo, 0, -kEm);
    dm->cxMax = LengthThrough(pxo, XF_LTOL, ifi->fwdMaxCharInc, 0);
    dm->lD = (ifi->flInfo & FM_INFO_CONSTANT_WIDTH) != 0 ? AsLong(dm->cxMax) : 0;
    dm->fxMaxAscender = RoundedFix(LengthThrough(pxo, XF_LTOFX, 0, ifi->rclFontBox.top));
    dm->fxMaxDescender = RoundedFix(LengthThrough(pxo, XF_LTOFX, 0, -ifi->rclFontBox.bottom));
    dm->ptlUnderline1 = Through(pxo, XF_LTOL, 0, -ifi->fwdUnderscorePosition);
    dm->ptlStrikeOut = Through(pxo, XF_LTOL, 0, -ifi->fwdStrikeoutPosition);
    dm->ptlULThickness = Through(pxo, XF_LTOL, 0, ifi->fwdUnderscoreSize);
    dm->ptlSOThickness = dm->ptlULThickness;
    dm->cyMax = static_cast<ULONG>((dm->fxMaxAscender >> 4) + (dm->fxMaxDescender >> 4));
    dm->fdxQuantized = FD_XFORM{m.eM11, m.eM12, m.eM21, m.eM22};
    // Device fonts carry no external leading of their own.
    dm->lNonLinearExtLeading = 0;
    if (!FixedPitch(ifi)) {
        const LONG em = AsLong(LengthThrough(pxo, XF_LTOL, 0, kEm));
        dm->lNonLinearIntLeading = std::max<LONG>(0, AsLong(dm->cyMax) - em);
    }
    dm->lNonLinearMaxCharWidth = AsLong(dm->cxMax);
    dm->lNonLinearAvgCharWidth = AsLong(LengthThrough(pxo, XF_LTOL, ifi->fwdAveCharWidth, 0));
    return sizeof(FD_DEVICEMETRICS);
}

// 28.4 to the engine's 32.32: whole pixels high, the fraction in the top bits of the low part.
LARGE_INTEGER QuadFromFix(FIX fix) {
    LARGE_INTEGER q{};
    q.QuadPart = static_cast<LONGLONG>(fix) * (1LL << 28);
    return q;
}

LONG FillGlyphData(const BYTE* record, XFORMOBJ* pxo, HGLYPH hg, GLYPHDATA* gd) {
    const IFIMETRICS* ifi = RecordIfiMetrics(record);
    const POINTL advance = Through(pxo, XF_LTOFX, DeviceFontGlyphAdvance(record, hg), 0);
    const FIX width = AsLong(IntegerVectorLength(advance.x, advance.y));
    *gd = GLYPHDATA{};
    gd->hg = hg;
    gd->fxD = width;
    gd->fxA = 0;
    gd->fxAB = width;
    gd->fxInkTop = AsLong(LengthThrough(pxo, XF_LTOFX, 0, ifi->rclFontBox.top));
    gd->fxInkBottom = -AsLong(LengthThrough(pxo, XF_LTOFX, 0, -ifi->rclFontBox.bottom));
    gd->rclInk = RECTL{0, -PixelsCovered(gd->fxInkTop), PixelsCovered(width), PixelsCovered(-gd->fxInkBottom)};
    gd->ptqD.x = QuadFromFix(advance.x);
    gd->ptqD.y = QuadFromFix(advance.y);
    // Device glyphs have no bitmap: the engine never gets one from this query.
    return 0;
}

}  // namespace

DLLEXPORT IFIMETRICS* APIENTRY DrvQueryFont(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid) {
    if (pid != nullptr) *pid = 0;
    const BYTE* record = CheckedFace(Pdev(dhpdev), iFace);
    return record != nullptr ? const_cast<IFIMETRICS*>(RecordIfiMetrics(record)) : nullptr;
}

DLLEXPORT PVOID APIENTRY DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode, ULONG_PTR* pid) {
    if (pid != nullptr) *pid = 0;
    PrinterPdev* pdev = Pdev(dhpdev);
    const BYTE* record = CheckedFace(pdev, iFace);
    if (record == nullptr) return nullptr;
    switch (iMode) {
        case QFT_KERNPAIRS: {
            std::span<const FD_KERNINGPAIR> pairs = RecordKerningPairs(record);
            return pairs.empty() ? nullptr : const_cast<FD_KERNINGPAIR*>(pairs.data());
        }
        case QFT_GLYPHSET:
            if (RecordIfiMetrics(record)->jWinCharSet == SHIFTJIS_CHARSET) return ShiftJisGlyphSet(pdev->module);
            return AnsiGlyphSet();
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
    }
}

DLLEXPORT BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths,
                                              ULONG cGlyphs) {
    if (iMode != QAW_GETWIDTHS && iMode != QAW_GETEASYWIDTHS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (cGlyphs == 0) return TRUE;
    const BYTE* record = pfo != nullptr ? CheckedFace(Pdev(dhpdev), pfo->iFace) : nullptr;
    if (record == nullptr || phg == nullptr || pvWidths == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    XFORMOBJ* pxo = FONTOBJ_pxoGetXform(pfo);
    if (pxo == nullptr) return FALSE;
    auto* widths = static_cast<USHORT*>(pvWidths);
    for (ULONG i = 0; i < cGlyphs; ++i) {
        // 12.4 widths: a width past the WORD range is held at its largest value, never wrapped.
        const ULONG width = LengthThrough(pxo, XF_LTOFX, DeviceFontAdvance(record, phg[i]), 0);
        widths[i] = static_cast<USHORT>(std::min<ULONG>(width, 0xFFFF));
    }
    return TRUE;
}

DLLEXPORT LONG APIENTRY DrvQueryFontData(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd, PVOID pv,
                                         ULONG cjSize) {
    const BYTE* record = pfo != nullptr ? CheckedFace(Pdev(dhpdev), pfo->iFace) : nullptr;
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kFontDataError;
    }
    XFORMOBJ* pxo = FONTOBJ_pxoGetXform(pfo);
    if (pxo == nullptr) return kFontDataError;
    switch (iMode) {
        case QFD_MAXEXTENTS: {
            if (pv == nullptr) return sizeof(FD_DEVICEMETRICS);
            // The metrics are written only into a buffer that holds them all.
            if (cjSize < sizeof(FD_DEVICEMETRICS)) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return kFontDataError;
            }
            return FillMaxExtents(record, pxo, static_cast<FD_DEVICEMETRICS*>(pv));
        }
        case QFD_GLYPHANDBITMAP:
            return pgd != nullptr ? FillGlyphData(record, pxo, hg, pgd) : 0;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return kFontDataError;
    }
}
