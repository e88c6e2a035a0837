// Paths the driver hands back to the engine: EngStrokePath, EngFillPath, EngStrokeAndFillPath
// and EngPaint. The path is flattened (Bezier curves by subdivision) and turned into the region
// it covers: fills by scan lines at pixel centres (alternate or winding rule), cosmetic strokes
// by Bresenham lines, geometric strokes as one quadrilateral per segment. The region, cut by the
// clip, becomes a clip object and one bit-block transfer with the brush and the raster operation
// of the mix paints it: on a bitmap surface the engine's own EngBitBlt, on a device surface the
// driver's DrvBitBlt, as GDI does for a device-managed surface.
#include <algorithm>
#include <cmath>
#include <map>
#include <new>
#include <vector>

#include "gdi_objects.h"
#include "plat/gdi_control.h"
#include "win/kernel.h"

using namespace plat::gdi;

namespace {

struct PointD {
    double x, y;
};
using Polygon = std::vector<PointD>;
struct Figure {
    Polygon points;
    bool closed;
};

// A region as horizontal runs per row: row -> list of [left, right).
using Runs = std::map<LONG, std::vector<std::pair<LONG, LONG>>>;

constexpr size_t kMostFlatPoints = 1u << 22;  // a path beyond this is refused, not drawn in part

bool ReadFigures(PATHOBJ* ppo, std::vector<Figure>& out) {
    PATHOBJ_vEnumStart(ppo);
    PATHDATA pd{};
    BOOL more;
    size_t total = 0;
    do {
        pd = PATHDATA{};
        more = PATHOBJ_bEnum(ppo, &pd);
        if (pd.count == 0) continue;
        if (!pd.pptfx) return false;
        const bool begin = (pd.flags & PD_BEGINSUBPATH) || out.empty();
        if (begin) out.push_back(Figure{{}, false});
        Polygon& poly = out.back().points;
        ULONG i = 0;
        if (begin) {
            poly.push_back(PointD{pd.pptfx[0].x / 16.0, pd.pptfx[0].y / 16.0});
            i = 1;
        }
        if (pd.flags & PD_BEZIERS) {
            for (; i + 2 < pd.count; i += 3) {
                if (poly.empty()) return false;
                const PointD p0 = poly.back();
                const PointD p1{pd.pptfx[i].x / 16.0, pd.pptfx[i].y / 16.0};
                const PointD p2{pd.pptfx[i + 1].x / 16.0, pd.pptfx[i + 1].y / 16.0};
                const PointD p3{pd.pptfx[i + 2].x / 16.0, pd.pptfx[i + 2].y / 16.0};
                // Enough steps that no chord is much longer than two pixels.
                const double reach = std::hypot(p1.x - p0.x, p1.y - p0.y) + std::hypot(p2.x - p1.x, p2.y - p1.y) +
                                     std::hypot(p3.x - p2.x, p3.y - p2.y);
                const int steps = static_cast<int>(std::clamp(reach / 2.0, 1.0, 4096.0));
                for (int s = 1; s <= steps; ++s) {
                    const double t = static_cast<double>(s) / steps, u = 1 - t;
                    poly.push_back(
                        PointD{u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                               u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
                }
            }
        } else {
            for (; i < pd.count; ++i) poly.push_back(PointD{pd.pptfx[i].x / 16.0, pd.pptfx[i].y / 16.0});
        }
        total += poly.size();
        if (total > kMostFlatPoints) return false;
        if (pd.flags & PD_ENDSUBPATH) out.back().closed = (pd.flags & PD_CLOSEFIGURE) != 0;
    } while (more);
    return true;
}

void AddRun(Runs& runs, LONG y, LONG left, LONG right) {
    if (left < right) runs[y].emplace_back(left, right);
}

// Scan-line fill at pixel centres; `limits` bounds the rows and columns looked at.
void FillPolygons(const std::vector<Polygon>& polys, bool winding, const RECTL& limits, Runs& runs) {
    struct Edge {
        double x0, y0, x1, y1;
        int dir;
    };
    std::vector<Edge> edges;
    double top = 1e18, bottom = -1e18;
    for (const Polygon& p : polys) {
        for (size_t i = 0; i < p.size(); ++i) {
            const PointD a = p[i], b = p[(i + 1) % p.size()];
            if (a.y == b.y) continue;
            edges.push_back(a.y < b.y ? Edge{a.x, a.y, b.x, b.y, 1} : Edge{b.x, b.y, a.x, a.y, -1});
            top = std::min({top, a.y, b.y});
            bottom = std::max({bottom, a.y, b.y});
        }
    }
    if (edges.empty()) return;
    const LONG y0 = static_cast<LONG>(std::max<double>(limits.top, std::floor(top)));
    const LONG y1 = static_cast<LONG>(std::min<double>(limits.bottom, std::ceil(bottom)));
    std::vector<std::pair<double, int>> cross;
    for (LONG y = y0; y < y1; ++y) {
        const double cy = y + 0.5;
        cross.clear();
        for (const Edge& e : edges)
            if (cy >= e.y0 && cy < e.y1) cross.emplace_back(e.x0 + (cy - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir);
        std::sort(cross.begin(), cross.end());
        int count = 0;
        for (size_t i = 0; i + 1 < cross.size(); ++i) {
            count = winding ? count + cross[i].second : count + 1;
            const bool inside = winding ? count != 0 : (count & 1) != 0;
            if (!inside) continue;
            // Pixels whose centre lies in [xa, xb).
            const double xa = std::max<double>(std::ceil(cross[i].first - 0.5), limits.left);
            const double xb = std::min<double>(std::ceil(cross[i + 1].first - 0.5), limits.right);
            if (xa < xb) AddRun(runs, y, static_cast<LONG>(xa), static_cast<LONG>(xb));
        }
    }
}

void PlotLine(LONG x0, LONG y0, LONG x1, LONG y1, const RECTL& limits, Runs& runs) {
    const long long dx = std::llabs(static_cast<long long>(x1) - x0), dy = -std::llabs(static_cast<long long>(y1) - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    long long err = dx + dy;
    long long x = x0, y = y0;
    for (long long guard = 0; guard < 1 << 24; ++guard) {
        if (x >= limits.left && x < limits.right && y >= limits.top && y < limits.bottom)
            AddRun(runs, static_cast<LONG>(y), static_cast<LONG>(x), static_cast<LONG>(x + 1));
        if (x == x1 && y == y1) break;
        const long long e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void StrokeFigures(const std::vector<Figure>& figures, double width, const RECTL& limits, Runs& runs) {
    if (width <= 1.0) {
        for (const Figure& f : figures) {
            const size_t n = f.points.size();
            if (n == 1)
                PlotLine(std::lround(f.points[0].x), std::lround(f.points[0].y), std::lround(f.points[0].x),
                         std::lround(f.points[0].y), limits, runs);
            const size_t segments = n < 2 ? 0 : (f.closed ? n : n - 1);
            for (size_t i = 0; i < segments; ++i) {
                const PointD a = f.points[i], b = f.points[(i + 1) % n];
                PlotLine(std::lround(a.x), std::lround(a.y), std::lround(b.x), std::lround(b.y), limits, runs);
            }
        }
        return;
    }
    // Wide lines: one quadrilateral per segment, all wound the same way, filled as one by the
    // winding rule so that overlaps do not cancel.
    std::vector<Polygon> quads;
    const double h = width / 2;
    for (const Figure& f : figures) {
        const size_t n = f.points.size();
        const size_t segments = n < 2 ? 0 : (f.closed ? n : n - 1);
        for (size_t i = 0; i < segments; ++i) {
            const PointD a = f.points[i], b = f.points[(i + 1) % n];
            const double len = std::hypot(b.x - a.x, b.y - a.y);
            if (len == 0) continue;
            const double nx = -(b.y - a.y) / len * h, ny = (b.x - a.x) / len * h;
            quads.push_back(
                Polygon{{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
        }
    }
    FillPolygons(quads, true, limits, runs);
}

// The rectangles of the region within the clip.
std::vector<RECTL> Rectangles(const Runs& runs, CLIPOBJ* pco) {
    std::vector<RECTL> clip;
    if (pco && pco->iDComplexity == DC_COMPLEX) {
        ClipRectangles(pco, clip);
    } else if (pco && pco->iDComplexity == DC_RECT) {
        clip.push_back(pco->rclBounds);
    }
    std::vector<RECTL> out;
    for (const auto& [y, list] : runs) {
        auto spans = list;
        std::sort(spans.begin(), spans.end());
        std::vector<std::pair<LONG, LONG>> merged;
        for (const auto& s : spans) {
            if (!merged.empty() && s.first <= merged.back().second)
                merged.back().second = std::max(merged.back().second, s.second);
            else
                merged.push_back(s);
        }
        for (const auto& [l, r] : merged) {
            if (clip.empty() && !(pco && (pco->iDComplexity == DC_COMPLEX || pco->iDComplexity == DC_RECT))) {
                out.push_back(RECTL{l, y, r, y + 1});
                continue;
            }
            for (const RECTL& c : clip) {
                const RECTL cut{std::max(l, c.left), std::max(y, c.top), std::min(r, c.right),
                                std::min(y + 1, c.bottom)};
                if (cut.left < cut.right && cut.top < cut.bottom) out.push_back(cut);
            }
        }
    }
    // Rows with the same runs stacked into taller rectangles.
    std::vector<RECTL> tall;
    for (const RECTL& r : out) {
        bool joined = false;
        for (auto it = tall.rbegin(); it != tall.rend() && it->bottom >= r.top; ++it)
            if (it->bottom == r.top && it->left == r.left && it->right == r.right) {
                it->bottom = r.bottom;
                joined = true;
                break;
            }
        if (!joined) tall.push_back(r);
    }
    return tall;
}

// ROP3 of an R2 mix code: the brush is the pattern, the destination stays the destination.
BYTE Rop3OfMix(ULONG r2) {
    if (r2 < 1 || r2 > 16) r2 = 13;  // R2_COPYPEN
    const ULONG table = r2 - 1;      // bit (P << 1 | D) of the 2-input truth table
    BYTE rop = 0;
    for (int i = 0; i < 8; ++i) {
        const int p = (i >> 2) & 1, d = i & 1;
        if (table & (1u << ((p << 1) | d))) rop = static_cast<BYTE>(rop | (1u << i));
    }
    return rop;
}

// Paints the region with the brush: the driver's DrvBitBlt on a hooked device surface, else the
// engine's own EngBitBlt.
BOOL PaintRegion(SURFOBJ* pso, const std::vector<RECTL>& rects, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix) {
    if (rects.empty()) return TRUE;
    RECTL bounds = rects[0];
    for (const RECTL& r : rects) {
        bounds.left = std::min(bounds.left, r.left);
        bounds.top = std::min(bounds.top, r.top);
        bounds.right = std::max(bounds.right, r.right);
        bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
    CLIPOBJ* region = PlatClipCreate(rects.data(), static_cast<ULONG>(rects.size()));
    if (!region) return FALSE;
    PlatClipSetOperationBounds(region, &bounds);
    const BYTE rop3 = Rop3OfMix(mix & 0xFF);
    const ROP4 rop4 = static_cast<ROP4>(rop3) | (static_cast<ROP4>(rop3) << 8);
    PFN_DrvBitBlt bitBlt = nullptr;
    if (Surface* s = FromSurfobj(pso); s && !pso->pvScan0 && (s->hooks & HOOK_BITBLT))
        bitBlt = reinterpret_cast<PFN_DrvBitBlt>(PlatGdiDeviceHook(pso->hdev, INDEX_DrvBitBlt));
    BOOL ok =
        bitBlt ? bitBlt(pso, nullptr, nullptr, region, nullptr, &bounds, nullptr, nullptr, pbo, pptlBrushOrg, rop4)
               : EngBitBlt(pso, nullptr, nullptr, region, nullptr, &bounds, nullptr, nullptr, pbo, pptlBrushOrg, rop4);
    PlatClipDelete(region);
    return ok;
}

bool Usable(SURFOBJ* pso) {
    return pso && FromSurfobj(pso);
}

RECTL SurfaceLimits(SURFOBJ* pso) {
    return RECTL{0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
}

struct Xform {
    XFORMOBJ xo{};
    XFORML m{};
};
Xform* AsXform(XFORMOBJ* pxo) {
    return pxo && IsLoose(pxo) ? reinterpret_cast<Xform*>(pxo) : nullptr;
}

double PenWidth(const LINEATTRS* la, XFORMOBJ* pxo) {
    if (!la || !(la->fl & LA_GEOMETRIC)) return 1.0;
    double scale = 1.0;
    if (Xform* x = AsXform(pxo)) {
        const double det =
            std::fabs(static_cast<double>(x->m.eM11) * x->m.eM22 - static_cast<double>(x->m.eM12) * x->m.eM21);
        if (det > 0) scale = std::sqrt(det);
    }
    const double w = static_cast<double>(la->elWidth.e) * scale;
    return std::isfinite(w) ? std::clamp(w, 1.0, 65536.0) : 1.0;
}

BOOL Stroke(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* org, LINEATTRS* la,
            MIX mix) {
    std::vector<Figure> figures;
    if (!ReadFigures(ppo, figures)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Runs runs;
    StrokeFigures(figures, PenWidth(la, pxo), SurfaceLimits(pso), runs);
    return PaintRegion(pso, Rectangles(runs, pco), pbo, org, mix);
}

BOOL Fill(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix, FLONG options) {
    std::vector<Figure> figures;
    if (!ReadFigures(ppo, figures)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<Polygon> polys;
    for (Figure& f : figures) polys.push_back(std::move(f.points));
    Runs runs;
    FillPolygons(polys, (options & FP_WINDINGMODE) != 0, SurfaceLimits(pso), runs);
    return PaintRegion(pso, Rectangles(runs, pco), pbo, org, mix);
}

}  // namespace

extern "C" {

BOOL EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                   LINEATTRS* plineattrs, MIX mix) {
    if (!Usable(pso) || !ppo || !pbo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((mix & 0xFF) == 11) return TRUE;  // R2_NOP
    return Stroke(pso, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix);
}

BOOL EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                 FLONG flOptions) {
    if (!Usable(pso) || !ppo || !pbo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((mix & 0xFF) == 11) return TRUE;
    return Fill(pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
}

BOOL EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                          LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                          FLONG flOptions) {
    if (!Usable(pso) || !ppo || !pboStroke || !pboFill) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((mixFill & 0xFF) == 11) return TRUE;
    // The outline is drawn over the interior, as GDI does.
    return Fill(pso, ppo, pco, pboFill, pptlBrushOrg, mixFill, flOptions) &&
           Stroke(pso, ppo, pco, pxo, pboStroke, pptlBrushOrg, plineattrs, mixFill);
}

BOOL EngPaint(SURFOBJ* pso, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix) {
    if (!Usable(pso) || !pbo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((mix & 0xFF) == 11) return TRUE;
    const RECTL limits = SurfaceLimits(pso);
    std::vector<RECTL> rects;
    if (pco && pco->iDComplexity == DC_COMPLEX) {
        ClipRectangles(pco, rects);
    } else {
        rects.push_back(pco && pco->iDComplexity == DC_RECT ? pco->rclBounds : limits);
    }
    std::vector<RECTL> cut;
    for (const RECTL& r : rects) {
        const RECTL c{std::max(r.left, limits.left), std::max(r.top, limits.top), std::min(r.right, limits.right),
                      std::min(r.bottom, limits.bottom)};
        if (c.left < c.right && c.top < c.bottom) cut.push_back(c);
    }
    return PaintRegion(pso, cut, pbo, pptlBrushOrg, mix);
}

ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform) {
    Xform* x = AsXform(pxo);
    if (!x) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return DDI_ERROR;
    }
    if (pxform) *pxform = x->m;
    const XFORML& m = x->m;
    if (m.eM12 != 0 || m.eM21 != 0) return GX_GENERAL;
    if (m.eM11 != 1 || m.eM22 != 1) return GX_SCALE;
    return (m.eDx != 0 || m.eDy != 0) ? GX_OFFSET : GX_IDENTITY;
}

XFORMOBJ* PlatXformCreate(const XFORML* xform) {
    Xform* x = new (std::nothrow) Xform;
    if (!x) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    x->m = xform ? *xform : XFORML{1, 0, 0, 1, 0, 0};
    AddLoose(x);
    return &x->xo;
}

void PlatXformDelete(XFORMOBJ* pxo) {
    plat::gdi::DeleteLoose(AsXform(pxo));
}

}  // extern "C"
