// Paths and the printer's vector mode: the path writer behind DrvStrokePath, DrvFillPath and
// DrvStrokeAndFillPath (binary polylines, polygons and curve paths of packed differences,
// rectangles, clipped lines), the vector-mode writers ("NP;", "MA", "PR", "BR", "CP;", "EP;",
// "ST;", "FL;", "EF;") and the line attributes of strokes. What the printer cannot take goes back
// to the engine.
#pragma once

#include <vector>

#include "win/base.h"
#include "win/ddi.h"

struct PrinterPdev;

// Path operation kinds.
inline constexpr DWORD kPathStroke = 1;
inline constexpr DWORD kPathFill = 2;
inline constexpr DWORD kPathStrokeAndFill = 3;
inline constexpr DWORD kPathClosedStroke = 4;  // a stroke whose path holds a closed figure

inline constexpr unsigned kMaxDashLengths = 16;

// Calls visit(record, more) for each record of the path from its start, `more` telling whether
// records follow; stops when visit answers false. FALSE when it stopped early.
template <class Visit>
bool EnumPathData(PATHOBJ* path, Visit visit) {
    PATHOBJ_vEnumStart(path);
    BOOL more;
    do {
        PATHDATA pd{};
        more = PATHOBJ_bEnum(path, &pd);
        if (!visit(pd, more != FALSE)) return false;
    } while (more);
    return true;
}

// What the path writer keeps in the device context between calls.
struct PathState {
    DWORD kind;    // of the path being written
    LONG vectorX;  // vector current point (device pixels)
    LONG vectorY;
    BOOL vectorPointValid;
    LONG binaryX;  // last point of the last binary path
    LONG binaryY;
    POINTL bandOffset;      // added to every point while kStateBandOffset is set
    FLOATL transform[4];    // 2 x 2 transform of the vector state (identity after a reset)
    DWORD lineMode;         // 2: strokes in vector mode are widened to 3 pixels
    BOOL closedStrokeMode;  // brush state 0xA5 0x01 0x00 0x00 is in force for closed strokes
    // Line-attribute cache (nothing sent while the flags are FALSE).
    BOOL joinSent;
    BYTE joinCode;
    WORD miterValue;
    BOOL dashSent;
    BYTE dashState;  // 0 solid, 1 alternate, 2 style array
    BYTE dashCount;
    WORD dashLengths[kMaxDashLengths];
};

// Vector state reset (device context built, page start, job end): identity transform, current
// point unknown, default pen values, nothing of the line attributes sent.
void ResetVectorState(PrinterPdev* pdev);

// ---- Path writer ----
// One figure of a path in device pixels (28.4 shifted, band offset added; not yet doubled).
struct PathFigure {
    std::vector<POINTL> points;  // the start point, then one point per line or control point
    std::vector<BYTE> curve;     // per point: 1 when it is a control point of a Bezier curve
    BOOL closed;
    BOOL hasCurves;
};
struct PathPoints {
    std::vector<PathFigure> figures;
    BOOL complete;  // FALSE when the enumeration handed out a record without points
};
// Reads a path once (every hook may write it once per clip piece). FALSE for a path that cannot
// be read (a record with a null point array, or more points than any writer takes).
BOOL ReadPathPoints(PrinterPdev* pdev, PATHOBJ* path, PathPoints* out);

// 1 when the path was written (or there was nothing to write), 0 when the caller must hand it to
// the engine. `kind` is kPathStroke, kPathFill or kPathStrokeAndFill; fillMode is the DrvFillPath
// options (FP_WINDINGMODE).
int WritePath(PrinterPdev* pdev, const PathPoints& path, DWORD kind, FLONG fillMode);

// ---- Vector writers ----
BOOL WriteVectorNewPath(PrinterPdev* pdev);                                     // "NP;", marks the path open
BOOL WriteVectorMove(PrinterPdev* pdev, POINTL device);                         // "MA" x "," y ";" unless already there
BOOL WriteVectorLines(PrinterPdev* pdev, const POINTL* points, size_t count);   // "PR" relative points
BOOL WriteVectorCurves(PrinterPdev* pdev, const POINTL* points, size_t count);  // "BR", 3 per curve
BOOL WriteVectorClose(PrinterPdev* pdev);                                       // "CP;"
BOOL WriteVectorEndPath(PrinterPdev* pdev);                                     // "EP;"
// Paints an open vector path: "ST;" (stroke), "FL;"/"EF;" (fill), "FL1;"/"EF1;" then "ST;".
BOOL WriteVectorPaint(PrinterPdev* pdev, DWORD kind, FLONG fillMode);

// ---- Line attributes of strokes ----
// Join and end (0xB0), line width (0xAF) and dash style (0xAC), each only when changed.
BOOL WriteLineAttributes(PrinterPdev* pdev, const LINEATTRS* attributes, XFORMOBJ* transform);

// Cohen-Sutherland outcode and clip of one segment against a rectangle (right and bottom
// inclusive); FALSE when nothing of the segment is inside.
BYTE LineOutcode(long long x, long long y, const RECTL& r);
BOOL ClipSegment(long long* x0, long long* y0, long long* x1, long long* y1, const RECTL& r);
