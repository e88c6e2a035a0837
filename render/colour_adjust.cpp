// Colour adjustment: brightness, contrast and saturation as a 3 x 3 matrix with an offset, built
// once per job and applied to text and vector colours (bitmaps go through the engine's halftoning).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/driver_devmode.h"
#include "render/page_settings.h"

namespace {

constexpr LONG ClampAdjust(LONG v) {
    return v < -100 ? -100 : (v > 100 ? 100 : v);
}

bool TripleIsZero(const SHORT (&t)[3]) {
    return t[0] == 0 && t[1] == 0 && t[2] == 0;
}

LONG ToFixed(double v) {
    return static_cast<LONG>(std::trunc(v * 65536.0));
}

BYTE ClampByte(LONGLONG v) {
    return static_cast<BYTE>(v <= 0 ? 0 : (v >= 255 ? 255 : v));
}

BOOL AdjustColour(const ColourAdjustContext* context, int kind, COLORREF colour, BYTE out[3], BYTE* format) {
    BYTE in[3] = {static_cast<BYTE>(colour & 0xFF), static_cast<BYTE>((colour >> 8) & 0xFF),
                  static_cast<BYTE>((colour >> 16) & 0xFF)};
    const ColourAdjustMatrix* m = nullptr;
    if (context && context->matrixOf[kind] >= 0 && context->matrixOf[kind] < 3)
        m = &context->matrices[context->matrixOf[kind]];
    ApplyAdjustMatrixRgb(m, in, out, 1);
    if (format) *format = 4;
    return TRUE;
}

}  // namespace

int SelectAdjustKinds(ColourAdjustContext* context, const ColourAdjustSettings* settings) {
    BYTE selected = 0;
    if (settings->mode == 1) {
        if ((settings->kinds & ColourKindText) && !TripleIsZero(settings->triples[TripleText])) selected |= AdjustText;
        if ((settings->kinds & ColourKindGraphics) && !TripleIsZero(settings->triples[TripleGraphics]))
            selected |= AdjustGraphics;
        if ((settings->kinds & ColourKindImages) && !TripleIsZero(settings->triples[TripleImages]))
            selected |= AdjustImages;
    } else if ((settings->kinds & (ColourKindText | ColourKindGraphics | ColourKindImages)) &&
               !TripleIsZero(settings->triples[TripleCommon])) {
        selected = AdjustCommon;
    }
    context->selected = selected;
    return 0;
}

int BuildAdjustMatrix(ColourAdjustMatrix* matrix, LONG brightness, LONG saturation, LONG contrast) {
    if (!matrix) return -1;
    const double b = ClampAdjust(brightness);
    const double s0 = ClampAdjust(saturation);
    const double c0 = ClampAdjust(contrast);
    const double c = 1.0 + 0.003 * c0;
    const double s = s0 >= 0 ? 1.0 + 0.01 * s0 : 1.0 + 0.005 * s0;
    const double offset = (1.0 - c) * 255.0 + 0.5 * b;
    static constexpr double kWeight[3] = {0.3, 0.59, 0.11};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            double w = kWeight[col];
            double f = row == col ? c * w + s * (1.0 - w) : c * w - s * w;
            matrix->factor[row * 3 + col] = ToFixed(f);
        }
        matrix->offset[row] = ToFixed(offset);
    }
    return 0;
}

int BuildAdjustMatrices(BYTE selected, ColourAdjustContext* context, const ColourAdjustSettings* settings) {
    for (int k = 0; k < 3; ++k) context->matrixOf[k] = -1;
    auto build = [&](int slot, AdjustTriple triple) {
        const SHORT* t = settings->triples[triple];
        BuildAdjustMatrix(&context->matrices[slot], t[0], t[1], t[2]);
    };
    if (selected & AdjustCommon) {
        build(0, TripleCommon);
        context->matrixOf[0] = context->matrixOf[1] = context->matrixOf[2] = 0;
        return 0;
    }
    static constexpr struct {
        BYTE bit;
        AdjustTriple triple;
    } kKinds[3] = {{AdjustText, TripleText}, {AdjustGraphics, TripleGraphics}, {AdjustImages, TripleImages}};
    for (int k = 0; k < 3; ++k) {
        if (!(selected & kKinds[k].bit)) continue;
        build(k, kKinds[k].triple);
        context->matrixOf[k] = static_cast<int8_t>(k);
    }
    return 0;
}

int PrepareColourAdjust(ColourAdjustContext* context, const ColourAdjustSettings* settings) {
    std::memset(context, 0, sizeof(*context));
    for (int k = 0; k < 3; ++k) context->matrixOf[k] = -1;
    SelectAdjustKinds(context, settings);
    BuildAdjustMatrices(context->selected, context, settings);
    return 0;
}

void ApplyAdjustMatrixRgb(const ColourAdjustMatrix* matrix, const BYTE* input, BYTE* output, ULONG pixels) {
    if (!matrix) {
        if (output != input) std::memmove(output, input, static_cast<size_t>(pixels) * 3);
        return;
    }
    LONGLONG quarter[9];
    for (int i = 0; i < 9; ++i) quarter[i] = matrix->factor[i] >> 2;
    for (ULONG p = 0; p < pixels; ++p) {
        const LONGLONG b1 = input[3 * p] * 257LL, b2 = input[3 * p + 1] * 257LL, b3 = input[3 * p + 2] * 257LL;
        BYTE result[3];
        for (int i = 0; i < 3; ++i) {
            // 64-bit sums: three products of 16-bit samples and quarter factors overflow 32 bits.
            LONGLONG v = (quarter[3 * i] * b1 + quarter[3 * i + 1] * b2 + quarter[3 * i + 2] * b3) >> 22;
            result[i] = ClampByte(v + (matrix->offset[i] >> 16));
        }
        std::memcpy(output + 3 * p, result, 3);
    }
}

LONG ApplyAdjustWithBuffer(const ColourAdjustMatrix* matrix, const BYTE* input, BYTE* output, ULONG width,
                           ULONG height) {
    if (width >= 65536 || height >= 65536 || !input || !output) return -5;
    ApplyAdjustMatrixRgb(matrix, input, output, width * height);
    return 1;
}

BOOL AdjustTextColour(const ColourAdjustContext* context, COLORREF colour, BYTE out[3], BYTE* format) {
    return AdjustColour(context, 0, colour, out, format);
}

BOOL AdjustGraphicsColour(const ColourAdjustContext* context, COLORREF colour, BYTE out[3], BYTE* format) {
    return AdjustColour(context, 1, colour, out, format);
}

void LoadColourAdjustSettings(const BYTE* settings, ULONG settingsSize, ColourAdjustSettings* out) {
    using namespace orla;
    std::span<const BYTE> rec(settings, settingsSize);
    std::memset(out, 0, sizeof(*out));
    auto value = [&](unsigned index) {
        LONG v = static_cast<LONG>(Get(rec, dm::ImageAdjustValue(index)));
        return static_cast<SHORT>(std::clamp<LONG>(v, -32768, 32767));
    };
    // The nine dwords from 7580: the object type shown (not used here), the common first value,
    // the first value of text, graphics and images, the common second value, the second value
    // of the three types. The first value is the brightness, the second the contrast.
    out->mode = Get(rec, dm::ImageAdjustMode) != 0 ? 1 : 0;
    for (int kind = 0; kind < 3; ++kind) {
        out->triples[kind][0] = value(2 + kind);
        out->triples[kind][2] = value(6 + kind);
    }
    out->triples[TripleCommon][0] = value(1);
    out->triples[TripleCommon][2] = value(5);
    if (out->mode == 1) {
        for (int kind = 0; kind < 3; ++kind)
            if (!TripleIsZero(out->triples[kind])) out->kinds |= 1u << kind;
    } else if (!TripleIsZero(out->triples[TripleCommon])) {
        out->kinds = ColourKindText | ColourKindGraphics | ColourKindImages;
    }
}
