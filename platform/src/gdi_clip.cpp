// Clip objects and their rectangle enumeration. A region is kept the way GDI keeps one: bands
// of equal height from top to bottom, each a left-to-right list of disjoint rectangles, with
// vertically adjacent bands of the same spans merged. Enumeration hands the rectangles out in
// batches of as many as the caller's buffer holds, in the direction asked for.
#include <algorithm>
#include <new>
#include <vector>

#include "gdi_objects.h"
#include "plat/gdi_control.h"
#include "win/kernel.h"

using namespace plat::gdi;

namespace {

struct Clip {
    CLIPOBJ co{};
    std::vector<RECTL> region;  // banded, top-down, left to right
    bool hasOperation = false;
    RECTL operation{};
    std::vector<RECTL> enumeration;  // the rectangles of the running enumeration, in order
    size_t next = 0;
    bool started = false;
};

bool Empty(const RECTL& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

std::vector<RECTL> BuildBands(const RECTL* rects, ULONG count) {
    std::vector<RECTL> input;
    std::vector<LONG> edges;
    for (ULONG i = 0; i < count; ++i) {
        if (Empty(rects[i])) continue;
        input.push_back(rects[i]);
        edges.push_back(rects[i].top);
        edges.push_back(rects[i].bottom);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    std::vector<RECTL> out;
    std::vector<std::pair<LONG, LONG>> previousSpans;
    size_t previousStart = 0;
    LONG previousBottom = 0;
    bool havePrevious = false;
    for (size_t e = 0; e + 1 < edges.size(); ++e) {
        LONG top = edges[e], bottom = edges[e + 1];
        std::vector<std::pair<LONG, LONG>> spans;
        for (const RECTL& r : input)
            if (r.top <= top && r.bottom >= bottom) spans.emplace_back(r.left, r.right);
        std::sort(spans.begin(), spans.end());
        std::vector<std::pair<LONG, LONG>> merged;
        for (auto& s : spans) {
            if (!merged.empty() && s.first <= merged.back().second)
                merged.back().second = std::max(merged.back().second, s.second);
            else
                merged.push_back(s);
        }
        if (merged.empty()) {
            havePrevious = false;
            continue;
        }
        if (havePrevious && previousBottom == top && merged == previousSpans) {
            // Same spans right below: the band grows instead of a new one starting.
            for (size_t i = previousStart; i < out.size(); ++i) out[i].bottom = bottom;
        } else {
            previousStart = out.size();
            for (auto& s : merged) out.push_back(RECTL{s.first, top, s.second, bottom});
            previousSpans = merged;
        }
        previousBottom = bottom;
        havePrevious = true;
    }
    return out;
}

Clip* AsClip(CLIPOBJ* pco) {
    return pco && IsLoose(pco) ? reinterpret_cast<Clip*>(pco) : nullptr;
}

Clip* NewClip() {
    Clip* c = new (std::nothrow) Clip;
    if (!c) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return c;
}

}  // namespace

namespace plat::gdi {
bool ClipRectangles(CLIPOBJ* pco, std::vector<RECTL>& out) {
    Clip* c = AsClip(pco);
    if (!c) return false;
    out = c->region;
    return true;
}
}  // namespace plat::gdi

extern "C" {

CLIPOBJ* PlatClipCreate(const RECTL* rects, ULONG count) {
    if (count && !rects) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Clip* c = NewClip();
    if (!c) return nullptr;
    c->region = BuildBands(rects, count);
    c->co.iUniq = 1;
    c->co.iMode = TC_RECTANGLES;
    if (c->region.empty()) {
        c->co.iDComplexity = DC_RECT;
        c->co.iFComplexity = FC_RECT;
    } else {
        RECTL b = c->region.front();
        for (const RECTL& r : c->region) {
            b.left = std::min(b.left, r.left);
            b.top = std::min(b.top, r.top);
            b.right = std::max(b.right, r.right);
            b.bottom = std::max(b.bottom, r.bottom);
        }
        c->co.rclBounds = b;
        c->co.iDComplexity = c->region.size() == 1 ? DC_RECT : DC_COMPLEX;
        c->co.iFComplexity = c->region.size() == 1 ? FC_RECT : c->region.size() <= 4 ? FC_RECT4 : FC_COMPLEX;
    }
    AddLoose(c);
    return &c->co;
}

CLIPOBJ* PlatClipCreateTrivial(const RECTL* bounds) {
    if (!bounds) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Clip* c = NewClip();
    if (!c) return nullptr;
    c->co.iUniq = 1;
    c->co.rclBounds = *bounds;
    c->co.iDComplexity = DC_TRIVIAL;
    c->co.iFComplexity = FC_RECT;
    c->co.iMode = TC_RECTANGLES;
    if (!Empty(*bounds)) c->region.push_back(*bounds);
    AddLoose(c);
    return &c->co;
}

void PlatClipSetOperationBounds(CLIPOBJ* pco, const RECTL* bounds) {
    Clip* c = AsClip(pco);
    if (!c) return;
    c->hasOperation = bounds != nullptr;
    if (bounds) c->operation = *bounds;
}

void PlatClipDelete(CLIPOBJ* pco) {
    Clip* c = AsClip(pco);
    if (!c) return;
    RemoveLoose(c);
    delete c;
}

ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection, ULONG cLimit) {
    Clip* c = AsClip(pco);
    if (!c || iType != CT_RECTANGLES || iDirection > CD_ANY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0xFFFFFFFFu;
    }
    std::vector<RECTL> rects;
    for (RECTL r : c->region) {
        if (!bAll && c->hasOperation) {
            r.left = std::max(r.left, c->operation.left);
            r.top = std::max(r.top, c->operation.top);
            r.right = std::min(r.right, c->operation.right);
            r.bottom = std::min(r.bottom, c->operation.bottom);
            if (Empty(r)) continue;
        }
        rects.push_back(r);
    }
    // The stored order is right-down; the other directions reorder bands and spans.
    const bool leftwards = iDirection == CD_LEFTDOWN || iDirection == CD_LEFTUP;
    const bool upwards = iDirection == CD_RIGHTUP || iDirection == CD_LEFTUP;
    std::stable_sort(rects.begin(), rects.end(), [&](const RECTL& a, const RECTL& b) {
        if (a.top != b.top) return upwards ? a.top > b.top : a.top < b.top;
        return leftwards ? a.left > b.left : a.left < b.left;
    });
    c->enumeration = std::move(rects);
    c->next = 0;
    c->started = true;
    ULONG n = static_cast<ULONG>(c->enumeration.size());
    return (cLimit != 0 && n <= cLimit) ? n : 0xFFFFFFFFu;
}

BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul) {
    Clip* c = AsClip(pco);
    if (!c || !pul || cj < sizeof(ULONG)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* er = reinterpret_cast<ENUMRECTS*>(pul);
    er->c = 0;
    if (!c->started) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const size_t room = (cj - offsetof(ENUMRECTS, arcl)) / sizeof(RECTL);
    if (room == 0) {
        // A buffer without room for one rectangle could never make progress.
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    size_t n = std::min(room, c->enumeration.size() - c->next);
    RECTL* out = er->arcl;
    for (size_t i = 0; i < n; ++i) out[i] = c->enumeration[c->next + i];
    c->next += n;
    er->c = static_cast<ULONG>(n);
    return c->next < c->enumeration.size();
}

}  // extern "C"
