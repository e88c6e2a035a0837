// EngComputeGlyphSet: the Unicode runs of a code page's character codes, in one global block.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "win/ddi.h"
#include "win/kernel.h"
#include "win/nls.h"

extern "C" FD_GLYPHSET* EngComputeGlyphSet(INT nCodePage, INT nFirstChar, INT cChars) {
    if (nCodePage < 0 || nFirstChar < 0 || cChars <= 0 || nFirstChar > 0xFFFF || cChars > 0x10000 - nFirstChar) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const UINT codePage = nCodePage == CP_ACP ? GetACP() : static_cast<UINT>(nCodePage);

    // Each code is converted on its own: one byte below 256, else its two bytes high first.
    // A code that is not a whole character of the code page (a lone lead byte, an unmapped
    // byte) has no glyph; a Unicode value keeps the first code that maps to it.
    std::vector<std::pair<WCHAR, HGLYPH>> map;
    map.reserve(static_cast<size_t>(cChars));
    for (INT code = nFirstChar; code < nFirstChar + cChars; ++code) {
        char bytes[2];
        int length = 0;
        if (code < 256) {
            bytes[length++] = static_cast<char>(code);
            if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(code))) continue;
        } else {
            bytes[length++] = static_cast<char>(code >> 8);
            bytes[length++] = static_cast<char>(code & 0xFF);
        }
        WCHAR wide[2] = {};
        int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, length, wide, 2);
        if (n != 1) continue;
        map.emplace_back(wide[0], static_cast<HGLYPH>(code));
    }
    if (map.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::stable_sort(map.begin(), map.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    map.erase(std::unique(map.begin(), map.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
              map.end());

    std::vector<std::pair<size_t, size_t>> runs;  // first index into map, length
    for (size_t i = 0; i < map.size(); ++i) {
        if (!runs.empty() && map[i].first == map[i - 1].first + 1 && runs.back().second < 0xFFFF)
            runs.back().second++;
        else
            runs.emplace_back(i, 1);
    }

    const size_t header = offsetof(FD_GLYPHSET, awcrun) + runs.size() * sizeof(WCRUN);
    const size_t total = header + map.size() * sizeof(HGLYPH);
    auto* gs = static_cast<FD_GLYPHSET*>(GlobalAlloc(GPTR, total));
    if (!gs) return nullptr;  // GlobalAlloc set the last error
    auto* handles = reinterpret_cast<HGLYPH*>(reinterpret_cast<BYTE*>(gs) + header);
    bool eightBit = true;
    for (size_t i = 0; i < map.size(); ++i) {
        handles[i] = map[i].second;
        if (map[i].second > 0xFF) eightBit = false;
    }
    gs->cjThis = static_cast<ULONG>(total);
    gs->flAccel = eightBit ? GS_8BIT_HANDLES : GS_16BIT_HANDLES;
    gs->cGlyphsSupported = static_cast<ULONG>(map.size());
    gs->cRuns = static_cast<ULONG>(runs.size());
    for (size_t r = 0; r < runs.size(); ++r) {
        WCRUN& run = gs->awcrun[r];
        run.wcLow = map[runs[r].first].first;
        run.cGlyphs = static_cast<USHORT>(runs[r].second);
        run.phg = handles + runs[r].first;
    }
    return gs;
}
