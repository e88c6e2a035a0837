// The graphics DLL's process-wide state: its module handle and the glyph sets shared by every
// device context. A leaf: the entry points set it, the rest of the DLL reads it.
#include "render/pdev.h"

namespace {

HMODULE g_module = nullptr;
void* g_ansiGlyphSet = nullptr;
void* g_shiftJisGlyphSet = nullptr;

}  // namespace

HMODULE GraphicsModuleHandle() {
    return g_module;
}

void SetGraphicsModuleHandle(HMODULE module) {
    g_module = module;
}

void* AnsiGlyphSet() {
    return g_ansiGlyphSet;
}

void*& AnsiGlyphSetHolder() {
    return g_ansiGlyphSet;
}

void*& ShiftJisGlyphSetHolder() {
    return g_shiftJisGlyphSet;
}
