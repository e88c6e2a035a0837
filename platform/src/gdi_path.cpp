// Path objects and their enumeration in records, the way the engine hands paths to a driver:
// a record never spans two subpaths, holds either lines or whole Bezier curves, and a long
// subpath comes in several records.
#include <algorithm>
#include <new>
#include <vector>

#include "gdi_objects.h"
#include "plat/gdi_control.h"
#include "win/kernel.h"

using namespace plat::gdi;

namespace {

constexpr ULONG kDefaultBatch = 32;

struct Record {
    FLONG flags;
    std::vector<POINTFIX> points;
};

struct Path {
    PATHOBJ po{};
    std::vector<PLAT_PATH_FIGURE> figures;
    std::vector<std::vector<PLAT_PATH_SEGMENT>> segments;
    RECTFX bounds{};
    ULONG batch = kDefaultBatch;
    std::vector<Record> records;  // built by vEnumStart
    size_t next = 0;
    bool started = false;
};

Path* AsPath(PATHOBJ* ppo) {
    return ppo && IsLoose(ppo) ? reinterpret_cast<Path*>(ppo) : nullptr;
}

void BuildRecords(Path& p) {
    p.records.clear();
    const ULONG lineBatch = std::max<ULONG>(p.batch, 1);
    const ULONG curveBatch = std::max<ULONG>(p.batch / 3 * 3, 3);
    for (size_t f = 0; f < p.figures.size(); ++f) {
        const auto& segs = p.segments[f];
        Record current{PD_BEGINSUBPATH, {p.figures[f].start}};
        bool currentBezier = false;
        bool holdsSegments = false;
        for (size_t i = 0; i < segs.size();) {
            const bool bezier = segs[i].bezier != FALSE;
            const ULONG limit = bezier ? curveBatch : lineBatch;
            const size_t own = current.points.size() - ((current.flags & PD_BEGINSUBPATH) ? 1 : 0);
            if (holdsSegments && (bezier != currentBezier || own + (bezier ? 3 : 1) > limit)) {
                p.records.push_back(current);
                current = Record{0, {}};
                holdsSegments = false;
            }
            currentBezier = bezier;
            if (bezier) {
                current.flags |= PD_BEZIERS;
                current.points.insert(current.points.end(), segs[i].pt, segs[i].pt + 3);
            } else {
                current.points.push_back(segs[i].pt[0]);
            }
            holdsSegments = true;
            ++i;
        }
        p.records.push_back(current);
        p.records.back().flags |= PD_ENDSUBPATH | (p.figures[f].closed ? PD_CLOSEFIGURE : 0);
    }
}

Path* NewPath() {
    Path* p = new (std::nothrow) Path;
    if (!p) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return p;
}

void Finish(Path* p) {
    bool first = true;
    bool integers = true;
    ULONG curves = 0;
    auto grow = [&](const POINTFIX& pt) {
        if (first) {
            p->bounds = RECTFX{pt.x, pt.y, pt.x, pt.y};
            first = false;
        }
        p->bounds.xLeft = std::min(p->bounds.xLeft, pt.x);
        p->bounds.yTop = std::min(p->bounds.yTop, pt.y);
        p->bounds.xRight = std::max(p->bounds.xRight, pt.x);
        p->bounds.yBottom = std::max(p->bounds.yBottom, pt.y);
        if ((pt.x & 15) || (pt.y & 15)) integers = false;
    };
    for (size_t f = 0; f < p->figures.size(); ++f) {
        grow(p->figures[f].start);
        for (const auto& s : p->segments[f]) {
            for (int k = 0; k < (s.bezier ? 3 : 1); ++k) grow(s.pt[k]);
            if (s.bezier) p->po.fl |= PO_BEZIERS;
            curves++;
        }
    }
    if (integers) p->po.fl |= PO_ALL_INTEGERS;
    p->po.cCurves = curves;
    BuildRecords(*p);
    AddLoose(p);
}

}  // namespace

extern "C" {

PATHOBJ* PlatPathCreate(const PLAT_PATH_FIGURE* figures, ULONG count) {
    if (count && !figures) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    for (ULONG f = 0; f < count; ++f)
        if (figures[f].cSegments && !figures[f].segments) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    Path* p = NewPath();
    if (!p) return nullptr;
    for (ULONG f = 0; f < count; ++f) {
        p->figures.push_back(figures[f]);
        p->segments.emplace_back(figures[f].segments, figures[f].segments + figures[f].cSegments);
    }
    Finish(p);
    return &p->po;
}

void PlatPathSetBatch(PATHOBJ* ppo, ULONG maxPoints) {
    Path* p = AsPath(ppo);
    if (!p || maxPoints == 0) return;
    p->batch = maxPoints;
    BuildRecords(*p);
    p->started = false;
}

void PATHOBJ_vEnumStart(PATHOBJ* ppo) {
    Path* p = AsPath(ppo);
    if (!p) return;
    p->next = 0;
    p->started = true;
}

BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd) {
    Path* p = AsPath(ppo);
    if (!p || !ppd) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Without vEnumStart the enumeration starts at the beginning, as a fresh path's does.
    if (!p->started) {
        p->next = 0;
        p->started = true;
    }
    if (p->next >= p->records.size()) {
        ppd->flags = 0;
        ppd->count = 0;
        ppd->pptfx = nullptr;
        return FALSE;
    }
    Record& r = p->records[p->next++];
    ppd->flags = r.flags;
    ppd->count = static_cast<ULONG>(r.points.size());
    ppd->pptfx = r.points.data();
    return p->next < p->records.size();
}

void PATHOBJ_vGetBounds(PATHOBJ* ppo, PRECTFX prectfx) {
    Path* p = AsPath(ppo);
    if (!p || !prectfx) return;
    *prectfx = p->bounds;
}

PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco) {
    std::vector<RECTL> region;
    if (!pco || !ClipRectangles(pco, region)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Each rectangle of the region as a closed figure, clockwise from its top-left corner.
    std::vector<PLAT_PATH_FIGURE> figures;
    std::vector<std::vector<PLAT_PATH_SEGMENT>> segments;
    segments.reserve(region.size());
    for (const RECTL& r : region) {
        auto fix = [](LONG x, LONG y) { return POINTFIX{x * 16, y * 16}; };
        segments.push_back(
            {{FALSE, {fix(r.right, r.top)}}, {FALSE, {fix(r.right, r.bottom)}}, {FALSE, {fix(r.left, r.bottom)}}});
        figures.push_back(PLAT_PATH_FIGURE{fix(r.left, r.top), 3, segments.back().data(), TRUE});
    }
    return PlatPathCreate(figures.data(), static_cast<ULONG>(figures.size()));
}

void EngDeletePath(PATHOBJ* ppo) {
    plat::gdi::DeleteLoose(AsPath(ppo));
}

}  // extern "C"
