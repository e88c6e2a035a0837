// The path writer and the vector-mode writers. A path goes out, in order of preference, as a
// rectangle, a binary polyline / polygon / curve path of packed differences (unpacked when the
// scratch memory cannot be had), in vector mode (curves without memory for their subpath table),
// or as clipped lines (strokes that reach beyond the 16-bit range); whatever the printer cannot
// take is left to the engine (the writer returns 0).
#include <algorithm>
#include <cstring>
#include <span>
#include <string>

#include "render/drawing_hooks.h"
#include "render/graphics_state.h"
#include "render/output_writer.h"
#include "render/path_output.h"
#include "render/pdev.h"
#include "render/point_coding.h"

namespace {

// Points of one path beyond which no writer can take it (the 16-bit counts of every form).
constexpr size_t kMostPoints = 0x10000 * 4;

bool Fits16(long long v) {
    return v >= -32768 && v <= 32767;
}

LONG Factor(const PrinterPdev* pdev) {
    return (pdev->state & kStateDoubledOutput) ? 2 : 1;
}

// A path pixel (not yet doubled) as the device point the printer gets.
POINTL Device(const PrinterPdev* pdev, POINTL px) {
    const LONG f = Factor(pdev);
    return TransformPathPoint(pdev, POINTL{px.x * f, px.y * f});
}

// Remembers where a command left the printer's current point.
void NotePosition(PrinterPdev* pdev, POINTL device) {
    pdev->graphics.x = device.x;
    pdev->graphics.y = device.y;
    pdev->graphics.positionKnown = TRUE;
}

BOOL MoveToPixel(PrinterPdev* pdev, POINTL px) {
    const POINTL d = Device(pdev, px);
    return WriteDeviceMove(pdev, d.x, d.y);
}

// A further point of an unpacked form: the binary point writer, then the current point.
BOOL PointToPixel(PrinterPdev* pdev, POINTL px) {
    const LONG f = Factor(pdev);
    if (!WriteBinaryPoint(pdev, px.x * f, px.y * f)) return FALSE;
    const POINTL d = Device(pdev, px);
    NotePosition(pdev, d);
    pdev->path.binaryX = d.x;
    pdev->path.binaryY = d.y;
    return TRUE;
}

BOOL WriteRaw16Pair(PrinterPdev* pdev, LONG x, LONG y) {
    return WriteBigEndian16(pdev, static_cast<WORD>(x)) && WriteBigEndian16(pdev, static_cast<WORD>(y));
}

// Codes `count` entries and writes head, 16-bit count, 32-bit packed length and the data.
// FALSE with nothing written when a point does not fit the printer's 16-bit range.
enum class Packed { Written, Failed, OutOfRange };
Packed WritePackedCommand(PrinterPdev* pdev, std::initializer_list<BYTE> head, const PackedEntry* entries, size_t count,
                          size_t countField, BYTE* buffer, size_t bufferSize) {
    for (size_t i = 0; i < count; ++i)
        if (entries[i].kind != kPackedEnd && (!Fits16(entries[i].x) || !Fits16(entries[i].y)))
            return Packed::OutOfRange;
    if (countField > 0xFFFF) return Packed::OutOfRange;
    const ULONG bits = PackPointList(std::span<const PackedEntry>(entries, count), std::span<BYTE>(buffer, bufferSize));
    if (bits == 0 && count != 0) return Packed::OutOfRange;
    const ULONG bytes = PackedBytesOfBits(bits);
    if (!WriteSpool(pdev, head.begin(), static_cast<DWORD>(head.size())) ||
        !WriteBigEndian16(pdev, static_cast<WORD>(countField)) || !WriteBigEndian32(pdev, bytes) ||
        !WriteSpool(pdev, buffer, bytes))
        return Packed::Failed;
    // Where the printer's point ends up after a packed path is its business: move again next time.
    pdev->graphics.positionKnown = FALSE;
    return Packed::Written;
}

int ResultOf(Packed p) {
    switch (p) {
        case Packed::Written:
            return 1;
        case Packed::OutOfRange:
            return 0;
        default:
            return -1;
    }
}

BYTE FillRule(FLONG fillMode, BYTE winding, BYTE alternate) {
    return (fillMode & FP_WINDINGMODE) ? winding : alternate;
}

size_t PointCount(const PathPoints& path) {
    size_t n = 0;
    for (const PathFigure& f : path.figures) n += f.points.size();
    return n;
}

void Painted(PrinterPdev* pdev) {
    pdev->pageSetup.blankSheet = 0;
}

// ---- Binary path (no curves) ----

// Unpacked: every point as two 16-bit values. Strokes move to the first point and give the points
// that follow it; fills give every point (the printer has no current point for them).
BOOL WriteBinaryUnpacked(PrinterPdev* pdev, const PathPoints& path, DWORD kind, FLONG fillMode) {
    for (const PathFigure& f : path.figures) {
        if (f.points.empty()) continue;
        const bool stroke = kind == kPathStroke || kind == kPathClosedStroke;
        const size_t closing = kind == kPathClosedStroke ? 1 : 0;
        size_t i = 0;
        if (stroke) {
            if (!MoveToPixel(pdev, f.points[0]) || !WriteBytes(pdev, {0xE0, 0x00}) ||
                !WriteBigEndian16(pdev, static_cast<WORD>(f.points.size() - 1 + closing)))
                return FALSE;
            NotePosition(pdev, Device(pdev, f.points[0]));
            i = 1;
        } else {
            const BYTE command = kind == kPathFill ? 0xE8 : 0xE9;
            if (!WriteBytes(pdev, {command, FillRule(fillMode, 0x01, 0x00)}) ||
                !WriteBigEndian16(pdev, static_cast<WORD>(f.points.size())))
                return FALSE;
        }
        for (; i < f.points.size(); ++i)
            if (!PointToPixel(pdev, f.points[i])) return FALSE;
        if (closing && !PointToPixel(pdev, f.points[0])) return FALSE;
    }
    return TRUE;
}

int WriteBinaryPath(PrinterPdev* pdev, const PathPoints& path, DWORD kind, FLONG fillMode) {
    const size_t n = PointCount(path);
    const size_t entries = n + (kind == kPathClosedStroke ? 1 : 0);
    if (entries > 0xFFFF) return 0;
    PdevScratch list(pdev, (n + 2) * sizeof(PackedEntry));
    PdevScratch packed(pdev, list.body ? PackedBytesFor(n + 2) + 4 : 0);
    if (list.body == nullptr || packed.body == nullptr) {
        for (const PathFigure& f : path.figures)
            for (const POINTL& p : f.points) {
                const POINTL d = Device(pdev, p);
                if (!Fits16(d.x) || !Fits16(d.y)) return 0;
            }
        return WriteBinaryUnpacked(pdev, path, kind, fillMode) ? 1 : -1;
    }
    PackedEntry* e = list.as<PackedEntry>();
    size_t at = 0;
    for (const PathFigure& f : path.figures)
        for (size_t i = 0; i < f.points.size(); ++i) {
            const POINTL d = Device(pdev, f.points[i]);
            e[at++] = PackedEntry{d.x, d.y, i == 0 ? kPackedFirstPoint : kPackedPoint};
        }
    if (kind == kPathClosedStroke && n > 0) {
        const POINTL d = Device(pdev, path.figures.front().points.front());
        e[at++] = PackedEntry{d.x, d.y, kPackedPoint};
    }
    Packed result;
    if (kind == kPathStroke || kind == kPathClosedStroke)
        result = WritePackedCommand(pdev, {0xE0, 0x04}, e, at, at, packed.as<BYTE>(), PackedBytesFor(n + 2) + 4);
    else
        result = WritePackedCommand(
            pdev, {static_cast<BYTE>(kind == kPathFill ? 0xE8 : 0xE9), FillRule(fillMode, 0x21, 0x20)}, e, at, at,
            packed.as<BYTE>(), PackedBytesFor(n + 2) + 4);
    if (result == Packed::Written && at > 0) {
        pdev->path.binaryX = e[at - 1].x;
        pdev->path.binaryY = e[at - 1].y;
    }
    return ResultOf(result);
}

// ---- Several subpaths, no curves ----

int WriteMultiPolygon(PrinterPdev* pdev, const PathPoints& path, DWORD kind, FLONG fillMode) {
    const size_t size = PointCount(path) + path.figures.size() + 1;
    if (size > pdev->graphics.deviceLimits[3] || size > 0xFFFF) return 0;
    for (const PathFigure& f : path.figures)
        if (f.points.empty()) return 0;
    const BYTE command = kind == kPathFill ? 0xE8 : 0xE9;
    PdevScratch list(pdev, size * sizeof(PackedEntry));
    PdevScratch packed(pdev, list.body ? PackedBytesFor(size) + 4 : 0);
    if (list.body == nullptr || packed.body == nullptr) {
        // The same entries, each as two plain 16-bit values.
        for (const PathFigure& f : path.figures)
            for (const POINTL& p : f.points) {
                const POINTL d = Device(pdev, p);
                if (!Fits16(d.x) || !Fits16(d.y)) return 0;
            }
        if (!WriteBytes(pdev, {command, FillRule(fillMode, 0x81, 0x80)}) ||
            !WriteBigEndian16(pdev, static_cast<WORD>(size)))
            return -1;
        for (const PathFigure& f : path.figures) {
            if (!WriteRaw16Pair(pdev, 0, static_cast<LONG>(f.points.size()))) return -1;
            for (const POINTL& p : f.points)
                if (!PointToPixel(pdev, p)) return -1;
        }
        return WriteRaw16Pair(pdev, 0, 0) ? 1 : -1;
    }
    PackedEntry* e = list.as<PackedEntry>();
    size_t at = 0;
    for (const PathFigure& f : path.figures) {
        e[at++] = PackedEntry{0, static_cast<LONG>(f.points.size()), kPackedHeader};
        for (size_t i = 0; i < f.points.size(); ++i) {
            const POINTL d = Device(pdev, f.points[i]);
            e[at++] = PackedEntry{d.x, d.y, i == 0 ? kPackedFirstPoint : kPackedPoint};
        }
    }
    e[at++] = PackedEntry{0, 0, kPackedEnd};
    return ResultOf(WritePackedCommand(pdev, {command, FillRule(fillMode, 0xA1, 0xA0)}, e, at, size, packed.as<BYTE>(),
                                       PackedBytesFor(size) + 4));
}

int WriteMultiStroke(PrinterPdev* pdev, const PathPoints& path, DWORD kind) {
    const size_t k = path.figures.size();
    const size_t s = PointCount(path) + k;
    if (s + 3 * k > 65536) return 0;
    const size_t c = kind == kPathClosedStroke ? s + 3 * k : s + 2 * k;
    const DWORD curveLimit = pdev->graphics.deviceLimits[4];

    // The stored page clip is not used by these writers: the clip walker has sent the clip.
    pdev->state &= ~(kStateStorePageClip | kStateKeepPageClip);
    PdevScratch table(pdev, k * sizeof(WORD));
    if (table.body == nullptr) return 0;
    WORD* counts = table.as<WORD>();
    for (size_t i = 0; i < k; ++i) {
        size_t n = path.figures[i].points.size();
        if (kind == kPathClosedStroke && c <= curveLimit) ++n;
        if (n > 0xFFFF) return 0;
        counts[i] = static_cast<WORD>(n);
    }

    if (c <= curveLimit && c <= 0xFFFF) {
        PdevScratch list(pdev, c * sizeof(PackedEntry));
        PdevScratch packed(pdev, list.body ? PackedBytesFor(c) + 4 : 0);
        if (list.body != nullptr && packed.body != nullptr) {
            PackedEntry* e = list.as<PackedEntry>();
            size_t at = 0;
            for (size_t i = 0; i < k; ++i) {
                const PathFigure& f = path.figures[i];
                e[at++] = PackedEntry{0, 1, kPackedHeader};
                e[at++] = PackedEntry{0, counts[i], kPackedHeader};
                for (size_t j = 0; j < f.points.size(); ++j) {
                    const POINTL d = Device(pdev, f.points[j]);
                    e[at++] = PackedEntry{d.x, d.y, j == 0 ? kPackedFirstPoint : kPackedPoint};
                }
                if (kind == kPathClosedStroke && !f.points.empty()) {
                    const POINTL d = Device(pdev, f.closed ? f.points.front() : f.points.back());
                    e[at++] = PackedEntry{d.x, d.y, kPackedPoint};
                }
            }
            // The count holds one entry per subpath more than the list: the way back to (0, 0).
            while (at < c) e[at++] = PackedEntry{0, 0, kPackedPoint};
            return ResultOf(WritePackedCommand(pdev, {0xEA, 0x80}, e, at, c, packed.as<BYTE>(), PackedBytesFor(c) + 4));
        }
    }

    for (const PathFigure& f : path.figures)
        for (const POINTL& p : f.points) {
            const POINTL d = Device(pdev, p);
            if (!Fits16(d.x) || !Fits16(d.y)) return 0;
        }
    for (const PathFigure& f : path.figures) {
        if (f.points.empty()) continue;
        const size_t follow = kind == kPathClosedStroke ? f.points.size() : f.points.size() - 1;
        if (!MoveToPixel(pdev, f.points[0]) || !WriteBytes(pdev, {0xE0, 0x00}) ||
            !WriteBigEndian16(pdev, static_cast<WORD>(follow)))
            return -1;
        NotePosition(pdev, Device(pdev, f.points[0]));
        for (size_t j = 1; j < f.points.size(); ++j)
            if (!PointToPixel(pdev, f.points[j])) return -1;
        if (kind == kPathClosedStroke && !PointToPixel(pdev, f.closed ? f.points.front() : f.points.back())) return -1;
    }
    return 1;
}

// ---- Curves ----

BYTE CurveMode(DWORD kind, FLONG fillMode) {
    const bool winding = (fillMode & FP_WINDINGMODE) != 0;
    switch (kind) {
        case kPathClosedStroke:
            return 0x90;
        case kPathFill:
            return winding ? 0x92 : 0x82;
        case kPathStrokeAndFill:
            return winding ? 0x91 : 0x81;
        default:
            return 0x80;
    }
}

// Entries of one subpath as curves: its start, then three control points per segment (a
// straight segment repeats its end point three times).
size_t CurveEntriesOf(const PathFigure& f) {
    size_t n = f.points.empty() ? 0 : 1;
    for (size_t i = 1; i < f.points.size(); ++i) n += f.curve[i] ? 1 : 3;
    return n;
}

enum class CurveResult { Done, TooLarge, NoTable, Failed };

CurveResult WriteCurvePath(PrinterPdev* pdev, const PathPoints& path, DWORD kind, FLONG fillMode) {
    size_t size = 0;
    for (const PathFigure& f : path.figures) size += CurveEntriesOf(f) + 2;
    if (size > pdev->graphics.deviceLimits[4] || size > 0xFFFF) return CurveResult::TooLarge;
    PdevScratch table(pdev, path.figures.size() * sizeof(WORD));
    if (table.body == nullptr) return CurveResult::NoTable;
    WORD* counts = table.as<WORD>();
    for (size_t i = 0; i < path.figures.size(); ++i) counts[i] = static_cast<WORD>(CurveEntriesOf(path.figures[i]));

    // The entry list in device points.
    std::vector<PackedEntry> entries;
    entries.reserve(size);
    for (size_t i = 0; i < path.figures.size(); ++i) {
        const PathFigure& f = path.figures[i];
        entries.push_back(PackedEntry{0, 1, kPackedHeader});
        entries.push_back(PackedEntry{1, counts[i], kPackedHeader});
        for (size_t j = 0; j < f.points.size(); ++j) {
            const POINTL d = Device(pdev, f.points[j]);
            if (j == 0) {
                entries.push_back(PackedEntry{d.x, d.y, kPackedFirstPoint});
            } else {
                const int times = f.curve[j] ? 1 : 3;
                for (int t = 0; t < times; ++t) entries.push_back(PackedEntry{d.x, d.y, kPackedPoint});
            }
        }
    }
    const BYTE mode = CurveMode(kind, fillMode);
    PdevScratch list(pdev, size * sizeof(PackedEntry));
    PdevScratch packed(pdev, list.body ? PackedBytesFor(size) + 4 : 0);
    if (list.body == nullptr || packed.body == nullptr) {
        for (const PackedEntry& e : entries)
            if (!Fits16(e.x) || !Fits16(e.y)) return CurveResult::TooLarge;
        // The same head, then each entry as two plain 16-bit values.
        if (!WriteBytes(pdev, {0xEA, mode}) || !WriteBigEndian16(pdev, static_cast<WORD>(size)) ||
            !WriteBigEndian32(pdev, static_cast<DWORD>(size * 4)))
            return CurveResult::Failed;
        for (const PackedEntry& e : entries)
            if (!WriteRaw16Pair(pdev, e.x, e.y)) return CurveResult::Failed;
        pdev->graphics.positionKnown = FALSE;
        return CurveResult::Done;
    }
    std::copy(entries.begin(), entries.end(), list.as<PackedEntry>());
    switch (WritePackedCommand(pdev, {0xEA, mode}, list.as<PackedEntry>(), entries.size(), size, packed.as<BYTE>(),
                               PackedBytesFor(size) + 4)) {
        case Packed::Written:
            return CurveResult::Done;
        case Packed::OutOfRange:
            return CurveResult::TooLarge;
        default:
            return CurveResult::Failed;
    }
}

// ---- Vector path (curves without their subpath table) ----

int WriteVectorPath(PrinterPdev* pdev, const PathPoints& path) {
    if (!WriteVectorNewPath(pdev)) return -1;
    for (const PathFigure& f : path.figures) {
        if (f.points.empty()) continue;
        if (!WriteVectorMove(pdev, Device(pdev, f.points[0]))) return -1;
        size_t i = 1;
        while (i < f.points.size()) {
            const bool curve = f.curve[i] != 0;
            size_t j = i;
            while (j < f.points.size() && (f.curve[j] != 0) == curve) ++j;
            std::vector<POINTL> run;
            for (size_t t = i; t < j; ++t) run.push_back(Device(pdev, f.points[t]));
            if (curve && run.size() % 3 != 0) {
                WriteVectorEndPath(pdev);
                pdev->state &= ~kStateVectorPathOpen;  // the engine draws it: nothing to paint
                return 0;
            }
            if (!(curve ? WriteVectorCurves(pdev, run.data(), run.size())
                        : WriteVectorLines(pdev, run.data(), run.size())))
                return -1;
            i = j;
        }
        if (f.closed && !WriteVectorClose(pdev)) return -1;
    }
    if (!WriteVectorEndPath(pdev)) return -1;
    if (!path.complete) {
        pdev->state &= ~kStateVectorPathOpen;
        return 0;
    }
    return 1;
}

// ---- Clipped lines (strokes beyond the 16-bit range) ----

RECTL PageRectangle(const PrinterPdev* pdev) {
    const RECTL& p = pdev->geometry.printable;
    return RECTL{0, 0, p.right - p.left, p.bottom - p.top};
}

int WriteClippedLines(PrinterPdev* pdev, const PathPoints& path) {
    const LONG f = Factor(pdev);
    const RECTL page = PageRectangle(pdev);
    const RECTL r{page.left * f, page.top * f, page.right * f, page.bottom * f};
    for (const PathFigure& fig : path.figures) {
        const size_t n = fig.points.size();
        const size_t segments = n < 2 ? 0 : (fig.closed ? n : n - 1);
        for (size_t i = 0; i < segments; ++i) {
            const POINTL a = fig.points[i], b = fig.points[(i + 1) % n];
            long long x0 = static_cast<long long>(a.x) * f, y0 = static_cast<long long>(a.y) * f;
            long long x1 = static_cast<long long>(b.x) * f, y1 = static_cast<long long>(b.y) * f;
            if (!ClipSegment(&x0, &y0, &x1, &y1, r)) continue;
            const POINTL start = TransformPathPoint(pdev, POINTL{static_cast<LONG>(x0), static_cast<LONG>(y0)});
            const POINTL end = TransformPathPoint(pdev, POINTL{static_cast<LONG>(x1), static_cast<LONG>(y1)});
            if (!WriteDeviceMove(pdev, start.x, start.y) || !WriteBytes(pdev, {0xE0, 0x00, 0x00, 0x01}) ||
                !WriteBinaryPoint(pdev, static_cast<LONG>(x1), static_cast<LONG>(y1)))
                return -1;
            NotePosition(pdev, end);
            Painted(pdev);
        }
    }
    return 1;
}

// ---- Rectangles ----

// The bounds of a 4- or 5-point figure whose edges run along the axes and close on themselves.
bool AxisRectangle(const PathFigure& f, RECTL* out) {
    const size_t n = f.points.size();
    if (n != 4 && n != 5) return false;
    if (n == 5 && (f.points[4].x != f.points[0].x || f.points[4].y != f.points[0].y)) return false;
    LONG l = f.points[0].x, r = l, t = f.points[0].y, b = t;
    for (size_t i = 0; i < 4; ++i) {
        l = std::min(l, f.points[i].x);
        r = std::max(r, f.points[i].x);
        t = std::min(t, f.points[i].y);
        b = std::max(b, f.points[i].y);
    }
    if (l == r || t == b) return false;
    for (size_t i = 0; i < 4; ++i) {
        const POINTL p = f.points[i], q = f.points[(i + 1) % 4];
        if ((p.x != l && p.x != r) || (p.y != t && p.y != b)) return false;  // a corner of the bounds
        if ((p.x == q.x) == (p.y == q.y)) return false;                      // one axis per edge
    }
    *out = RECTL{l, t, r, b};
    return true;
}

int WriteRectanglePath(PrinterPdev* pdev, const RECTL& rect) {
    const RECTL page = PageRectangle(pdev);
    if (rect.right <= page.left || rect.left >= page.right || rect.bottom <= page.top || rect.top >= page.bottom)
        return 1;
    if (rect.left < page.left || rect.top < page.top || rect.right > page.right || rect.bottom > page.bottom) {
        if (!WriteClipRectangle(pdev, &page, FALSE)) return -1;
    }
    return WriteFilledRectangle(pdev, rect.left, rect.top, rect.right, rect.bottom, FALSE) ? 1 : -1;
}

}  // namespace

// ---- Vector state ----

void ResetVectorState(PrinterPdev* pdev) {
    if (pdev == nullptr) return;
    PathState& v = pdev->path;
    const DWORD lineMode = v.lineMode;
    v = PathState{};
    v.transform[0] = 1.0f;
    v.transform[3] = 1.0f;
    v.lineMode = lineMode;
    pdev->state &= ~kStateVectorPathOpen;
}

// ---- Reading a path ----

BOOL ReadPathPoints(PrinterPdev* pdev, PATHOBJ* path, PathPoints* out) {
    out->figures.clear();
    out->complete = TRUE;
    if (path == nullptr) return FALSE;
    const bool banded = (pdev->state & kStateBandOffset) != 0;
    const LONG bx = banded ? pdev->path.bandOffset.x : 0, by = banded ? pdev->path.bandOffset.y : 0;
    size_t total = 0;
    return EnumPathData(path,
                        [&](const PATHDATA& pd, bool more) {
                            if (pd.count == 0) {
                                if (!more && !out->figures.empty()) out->complete = FALSE;
                                return true;
                            }
                            if (pd.pptfx == nullptr) return false;
                            total += pd.count;
                            if (total > kMostPoints) return false;
                            bool begin = (pd.flags & PD_BEGINSUBPATH) != 0 || out->figures.empty();
                            if (begin) out->figures.push_back(PathFigure{{}, {}, FALSE, FALSE});
                            PathFigure& f = out->figures.back();
                            for (ULONG i = 0; i < pd.count; ++i) {
                                // Arithmetic shift: negative coordinates round down, as the engine's do.
                                f.points.push_back(POINTL{(pd.pptfx[i].x >> 4) + bx, (pd.pptfx[i].y >> 4) + by});
                                const bool control = (pd.flags & PD_BEZIERS) != 0 && !(begin && i == 0);
                                f.curve.push_back(control ? 1 : 0);
                                if (control) f.hasCurves = TRUE;
                            }
                            if (pd.flags & PD_ENDSUBPATH) f.closed = (pd.flags & PD_CLOSEFIGURE) ? TRUE : FALSE;
                            return true;
                        })
               ? TRUE
               : FALSE;
}

// ---- Path writer ----

namespace {

// Step 1: whether the path can go as it is, must be cut at the page edge (strokes beyond the
// 16-bit range), or goes back to the engine (fills beyond it, dots, curves beyond it).
enum class PathReach { Fits, CutAtPageEdge, Engine };
PathReach PreScan(const PrinterPdev* pdev, const PathPoints& path, DWORD kind) {
    const LONG zoom = pdev->geometry.zoom == 0 ? 100 : pdev->geometry.zoom;
    bool outOfRange = false, outOfRangeWithCurves = false;
    for (const PathFigure& f : path.figures) {
        bool allEqual = true;
        for (const POINTL& p : f.points) {
            const long long x = static_cast<long long>(p.x) * zoom / 100, y = static_cast<long long>(p.y) * zoom / 100;
            if (!Fits16(x) || !Fits16(y)) {
                if (kind != kPathStroke) return PathReach::Engine;
                outOfRange = true;
                if (f.hasCurves) outOfRangeWithCurves = true;
            }
            if (p.x != f.points[0].x || p.y != f.points[0].y) allEqual = false;
        }
        if (kind != kPathStroke && !f.points.empty() && allEqual) return PathReach::Engine;
    }
    // A curve cannot be cut at the page edge here: the engine draws it.
    if (outOfRangeWithCurves) return PathReach::Engine;
    return outOfRange ? PathReach::CutAtPageEdge : PathReach::Fits;
}

// Step 2: what the path holds.
struct PathCounts {
    size_t points = 0, subpaths = 0, closed = 0, open = 0;
    bool curves = false;
};
PathCounts CountPath(const PathPoints& path) {
    PathCounts c;
    for (const PathFigure& f : path.figures) {
        if (f.points.empty()) continue;
        c.points += f.points.size();
        ++c.subpaths;
        (f.closed ? c.closed : c.open) += 1;
        if (f.hasCurves) c.curves = true;
    }
    return c;
}

// Step 4: curves as a curve path, or the vector commands when the curve writer gives way.
int WriteCurves(PrinterPdev* pdev, const PathPoints& compact, DWORD kind, FLONG fillMode) {
    switch (WriteCurvePath(pdev, compact, kind, fillMode)) {
        case CurveResult::Done:
            return 1;
        case CurveResult::TooLarge:
            return 0;
        case CurveResult::Failed:
            return -1;
        default:
            return WriteVectorPath(pdev, compact);
    }
}

// Step 5: closed strokes fill with the brush state the printer expects for them.
bool SelectClosedStrokeBrush(PrinterPdev* pdev) {
    GraphicsStateCache& g = pdev->graphics;
    if (!(pdev->path.closedStrokeMode && g.pattern == 1 && g.foregroundLevel == 0 && g.backgroundLevel == 0)) {
        if (!WriteBytes(pdev, {0xA5, 0x01, 0x00, 0x00})) return false;
        g.pattern = 1;
        g.foregroundLevel = 0;
        g.backgroundLevel = 0;
    }
    pdev->path.closedStrokeMode = TRUE;
    return true;
}

}  // namespace

int WritePath(PrinterPdev* pdev, const PathPoints& path, DWORD kind, FLONG fillMode) {
    if (pdev->state & kStateOutputFailed) return 1;  // the hook reports the failure
    switch (PreScan(pdev, path, kind)) {
        case PathReach::Engine:
            return 0;
        case PathReach::CutAtPageEdge: {
            const int r = WriteClippedLines(pdev, path);  // paints only what reaches the page
            return r < 0 ? 1 : r;
        }
        default:
            break;
    }
    const PathCounts counts = CountPath(path);
    if (kind == kPathStroke && counts.curves && counts.closed > 0 && counts.open > 0) return 0;
    if (kind == kPathStroke && counts.closed > 0) kind = kPathClosedStroke;
    pdev->path.kind = kind;
    if (counts.points == 0) return 1;

    // 3. Size limits.
    const size_t size = counts.points + counts.subpaths;
    const bool stroke = kind == kPathStroke || kind == kPathClosedStroke;
    if (counts.curves && size > pdev->graphics.deviceLimits[4]) return 0;
    if (!counts.curves && !stroke && size > pdev->graphics.deviceLimits[3]) return 0;

    // Empty figures carry nothing for the printer.
    PathPoints compact;
    compact.complete = path.complete;
    for (const PathFigure& f : path.figures)
        if (!f.points.empty()) compact.figures.push_back(f);

    int result;
    bool painting = true;  // the rectangle fill clears the blank-sheet flag itself (not when dropped)
    RECTL rect{};
    if (counts.curves) {
        result = WriteCurves(pdev, compact, kind, fillMode);
        if (result == 0) return 0;
    } else if (counts.subpaths >= 2) {
        result = stroke ? WriteMultiStroke(pdev, compact, kind) : WriteMultiPolygon(pdev, compact, kind, fillMode);
    } else {
        // One subpath: closed strokes fill with the brush state the printer expects for them.
        if (kind == kPathClosedStroke && !SelectClosedStrokeBrush(pdev)) return 1;
        if (kind != kPathStroke && AxisRectangle(compact.figures[0], &rect)) {
            // 6. Axis-parallel rectangles of fills.
            result = WriteRectanglePath(pdev, rect);
            painting = false;
        } else {
            result = WriteBinaryPath(pdev, compact, kind, fillMode);  // 7.
        }
    }
    if (result > 0 && painting) Painted(pdev);
    // A failed write is latched in the device context; the hook reports it.
    return result < 0 ? 1 : result;
}

// ---- Vector writers ----

BOOL WriteVectorNewPath(PrinterPdev* pdev) {
    if (!WriteCommand(pdev, "NP;")) return FALSE;
    pdev->state |= kStateVectorPathOpen;
    return TRUE;
}

BOOL WriteVectorMove(PrinterPdev* pdev, POINTL device) {
    PathState& v = pdev->path;
    if (v.vectorPointValid && v.vectorX == device.x && v.vectorY == device.y) return TRUE;
    if (!WriteCommand(pdev, "MA") || !WriteNumberList(pdev, {device.x, device.y}) || !WriteCommand(pdev, ";"))
        return FALSE;
    v.vectorX = device.x;
    v.vectorY = device.y;
    v.vectorPointValid = TRUE;
    return TRUE;
}

// At most this many numbers per command keeps every list below the 255-character limit.
constexpr size_t kNumbersPerCommand = 18;

BOOL WriteVectorLines(PrinterPdev* pdev, const POINTL* points, size_t count) {
    PathState& v = pdev->path;
    for (size_t i = 0; i < count;) {
        LONG numbers[kNumbersPerCommand];
        size_t n = 0;
        for (; i < count && n + 2 <= kNumbersPerCommand; ++i) {
            numbers[n++] = points[i].x - v.vectorX;
            numbers[n++] = points[i].y - v.vectorY;
            v.vectorX = points[i].x;
            v.vectorY = points[i].y;
        }
        if (!WriteCommand(pdev, "PR") || !WriteNumberList(pdev, std::span<const LONG>(numbers, n)) ||
            !WriteCommand(pdev, ";"))
            return FALSE;
    }
    return TRUE;
}

BOOL WriteVectorCurves(PrinterPdev* pdev, const POINTL* points, size_t count) {
    if (count % 3 != 0) return FALSE;
    PathState& v = pdev->path;
    for (size_t i = 0; i < count;) {
        LONG numbers[kNumbersPerCommand];
        size_t n = 0;
        for (; i < count && n + 6 <= kNumbersPerCommand; i += 3) {
            LONG fromX = v.vectorX, fromY = v.vectorY;
            for (size_t t = 0; t < 3; ++t) {
                numbers[n++] = points[i + t].x - fromX;
                numbers[n++] = points[i + t].y - fromY;
                fromX = points[i + t].x;
                fromY = points[i + t].y;
            }
            v.vectorX = fromX;
            v.vectorY = fromY;
        }
        if (!WriteCommand(pdev, "BR") || !WriteNumberList(pdev, std::span<const LONG>(numbers, n)) ||
            !WriteCommand(pdev, ";"))
            return FALSE;
    }
    return TRUE;
}

BOOL WriteVectorClose(PrinterPdev* pdev) {
    return WriteCommand(pdev, "CP;");
}

BOOL WriteVectorEndPath(PrinterPdev* pdev) {
    return WriteCommand(pdev, "EP;");
}

BOOL WriteVectorPaint(PrinterPdev* pdev, DWORD kind, FLONG fillMode) {
    if (!(pdev->state & kStateVectorPathOpen)) return TRUE;
    pdev->state &= ~kStateVectorPathOpen;
    const bool winding = (fillMode & FP_WINDINGMODE) != 0;
    BOOL ok = TRUE;
    switch (kind) {
        case kPathFill:
            ok = WriteCommand(pdev, winding ? "FL;" : "EF;");
            break;
        case kPathStrokeAndFill:
            ok = WriteCommand(pdev, winding ? "FL1;" : "EF1;") && WriteCommand(pdev, "ST;");
            break;
        default:
            if (pdev->path.lineMode == 2) ok = WriteLineWidth(pdev, 3);
            ok = ok && WriteCommand(pdev, "ST;");
            break;
    }
    if (ok) Painted(pdev);
    return ok;
}

// ---- Cohen-Sutherland ----

BYTE LineOutcode(long long x, long long y, const RECTL& r) {
    BYTE code = 0;
    if (x < r.left) code |= 1;
    if (x > r.right) code |= 2;
    if (y < r.top) code |= 4;
    if (y > r.bottom) code |= 8;
    return code;
}

namespace {

// Moves (*x, *y) onto the first edge (left, right, top, bottom) it lies beyond whose intersection
// with the segment lies within the other axis' range.
bool MoveOntoEdge(long long* x, long long* y, long long ox, long long oy, BYTE code, const RECTL& r) {
    const long long dx = ox - *x, dy = oy - *y;
    if ((code & 1) && dx != 0) {
        const long long ny = *y + dy * (r.left - *x) / dx;
        if (ny >= r.top && ny <= r.bottom) {
            *x = r.left;
            *y = ny;
            return true;
        }
    }
    if ((code & 2) && dx != 0) {
        const long long ny = *y + dy * (r.right - *x) / dx;
        if (ny >= r.top && ny <= r.bottom) {
            *x = r.right;
            *y = ny;
            return true;
        }
    }
    if ((code & 4) && dy != 0) {
        const long long nx = *x + dx * (r.top - *y) / dy;
        if (nx >= r.left && nx <= r.right) {
            *x = nx;
            *y = r.top;
            return true;
        }
    }
    if ((code & 8) && dy != 0) {
        const long long nx = *x + dx * (r.bottom - *y) / dy;
        if (nx >= r.left && nx <= r.right) {
            *x = nx;
            *y = r.bottom;
            return true;
        }
    }
    return false;
}

}  // namespace

BOOL ClipSegment(long long* x0, long long* y0, long long* x1, long long* y1, const RECTL& r) {
    const BYTE c0 = LineOutcode(*x0, *y0, r), c1 = LineOutcode(*x1, *y1, r);
    if ((c0 | c1) == 0) return TRUE;
    if (c0 & c1) return FALSE;
    const long long ax = *x0, ay = *y0, bx = *x1, by = *y1;
    if (c0 != 0 && !MoveOntoEdge(x0, y0, bx, by, c0, r)) return FALSE;
    if (c1 != 0 && !MoveOntoEdge(x1, y1, ax, ay, c1, r)) return FALSE;
    return TRUE;
}
