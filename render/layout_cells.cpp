// Several pages per sheet: the zoom that fits a page into a cell of the sheet and the page
// rectangle of each cell, in the order of the layout-order setting.
#include <algorithm>
#include <cstring>

#include "render/page_settings.h"
#include "render/pdev.h"

namespace {

LONG RatioBelow(LONGLONG cell, LONGLONG printable) {
    // cell x 100 / printable, lowered by 0.05 and truncated: an exact ratio k gives k - 1.
    if (printable <= 0) return 400;             // a paper without printable width: no sound ratio, take the cap
    LONGLONG scaled = cell * 2000 - printable;  // 20 x (cell x 100 / printable - 0.05) x printable
    LONGLONG den = printable * 20;
    return static_cast<LONG>(std::clamp<LONGLONG>(scaled / den, -1000000, 1000000));
}

}  // namespace

WORD ComputeLayoutZoomFor(LONG layoutMode, const PaperRecord& logical, const PaperRecord& output) {
    const LayoutShape shape = LayoutShapeOf(layoutMode);
    LONGLONG cellWidth, cellLength;
    if (layoutMode == 1) {
        cellWidth = static_cast<LONGLONG>(output.right) - output.left;
        cellLength = static_cast<LONGLONG>(output.bottom) - output.top;
    } else {
        LONGLONG w = static_cast<LONGLONG>(output.width) - 20000;
        LONGLONG l = static_cast<LONGLONG>(output.length) - 20000;
        if (shape.columns != shape.rows) std::swap(w, l);
        const LONG more = std::max(shape.columns, shape.rows), fewer = std::min(shape.columns, shape.rows);
        if (w >= l) {
            cellWidth = w / more;
            cellLength = l / fewer;
        } else {
            cellWidth = w / fewer;
            cellLength = l / more;
        }
    }
    const LONG horizontal = RatioBelow(cellWidth, static_cast<LONGLONG>(logical.right) - logical.left);
    const LONG vertical = RatioBelow(cellLength, static_cast<LONGLONG>(logical.bottom) - logical.top);
    return static_cast<WORD>(std::clamp<LONG>(std::min(horizontal, vertical), 10, 400));
}

void ComputeLayoutCellsFor(LONG layoutMode, LONG layoutOrder, BOOL landscape, BOOL turned, WORD zoom, LONG resolution,
                           const PaperRecord& logical, const PaperRecord& output, RECTL (&cells)[kLayoutCellCount]) {
    std::memset(cells, 0, sizeof(cells));
    const LayoutShape shape = LayoutShapeOf(layoutMode);
    auto px = [&](LONG um) { return ConvertToDevicePixels(um, resolution); };

    // Usable area: 10 mm inside every edge of the output paper, in printable-area coordinates.
    const LONG originX = px(output.left), originY = px(output.top);
    const LONG x0 = px(10000) - originX, y0 = px(10000) - originY;
    const LONG x1 = std::max(x0, px(output.width - 10000) - originX);
    const LONG y1 = std::max(y0, px(output.length - 10000) - originY);

    // The larger count runs along the longer side.
    const LONG more = std::max(shape.columns, shape.rows), fewer = std::min(shape.columns, shape.rows);
    const LONG columns = (x1 - x0) >= (y1 - y0) ? more : fewer;
    const LONG rows = columns == more ? fewer : more;
    const LONG cellWidth = (x1 - x0) / columns, cellHeight = (y1 - y0) / rows;

    // The page image, turned a quarter when columns and rows differ (as the zoom assumed).
    LONGLONG imageWidth = px(logical.right - logical.left), imageHeight = px(logical.bottom - logical.top);
    if (shape.columns != shape.rows) std::swap(imageWidth, imageHeight);
    imageWidth = std::max<LONGLONG>(0, imageWidth * zoom / 100);
    imageHeight = std::max<LONGLONG>(0, imageHeight * zoom / 100);
    const LONG offsetX = static_cast<LONG>((cellWidth - imageWidth) / 2);
    const LONG offsetY = static_cast<LONG>((cellHeight - imageHeight) / 2);

    const bool bottomUp = turned && layoutOrder == 2 && (landscape || cellWidth > cellHeight);
    const LONG count = columns * rows;
    for (LONG i = 0; i < count && i < static_cast<LONG>(kLayoutCellCount); ++i) {
        LONG col, row;
        switch (layoutOrder) {
            case 1:
                col = i / rows;
                row = i % rows;
                break;  // columns from the left
            case 2:
                row = i / columns;
                col = columns - 1 - i % columns;
                break;  // rows, right to left
            case 3:
                col = columns - 1 - i / rows;
                row = i % rows;
                break;  // columns from the right
            default:
                row = i / columns;
                col = i % columns;
                break;  // rows, left to right
        }
        if (bottomUp) row = rows - 1 - row;
        const LONG left = x0 + col * cellWidth + offsetX, top = y0 + row * cellHeight + offsetY;
        cells[i] = {left, top, static_cast<LONG>(left + imageWidth), static_cast<LONG>(top + imageHeight)};
    }
}

// ---- The device context's layout ----

namespace {

void CellsForPdev(PrinterPdev* pdev, BOOL turned) {
    auto rec = orla::RecordBytes(pdev->settings.record);
    const BOOL landscape = orla::AsDevmode(pdev->settings.record)->dmOrientation == DMORIENT_LANDSCAPE;
    ComputeLayoutCellsFor(orla::Get(rec, orla::dm::LayoutMode), orla::Get(rec, orla::dm::LayoutOrder), landscape,
                          turned, pdev->geometry.zoom, pdev->geometry.resolution, pdev->geometry.logicalPaper,
                          pdev->geometry.outputPaper, pdev->geometry.pageRects);
}

}  // namespace

WORD ComputeLayoutZoom(PrinterPdev* pdev, const PaperRecord* logical, const PaperRecord* output) {
    return ComputeLayoutZoomFor(orla::Get(orla::RecordBytes(pdev->settings.record), orla::dm::LayoutMode), *logical,
                                *output);
}

void ComputeLayoutCells(PrinterPdev* pdev) {
    CellsForPdev(pdev, FALSE);
}

void ComputeLayoutCellsTurned(PrinterPdev* pdev) {
    CellsForPdev(pdev, TRUE);
}

void RecomputeLayout(PrinterPdev* pdev) {
    auto rec = orla::RecordBytes(pdev->settings.record);
    const LONG mode = orla::Get(rec, orla::dm::LayoutMode);
    PageGeometry& g = pdev->geometry;
    std::memset(g.pageRects, 0, sizeof(g.pageRects));
    if (mode == 1) {
        // A stray zoom of 0 would make every page empty; the printer takes 10 to 400.
        const WORD zoom = std::clamp<WORD>(orla::Get(rec, orla::dm::Zoom), 10, 400);
        g.zoom = IsConversionPaper(g.logicalPaper.code) ? 100 : zoom;
        return;
    }
    g.zoom = ComputeLayoutZoom(pdev, &g.logicalPaper, &g.outputPaper);
    if (g.zoom == 100) g.zoom = 99;
    if (mode == 2)
        ComputeLayoutCellsTurned(pdev);
    else
        ComputeLayoutCells(pdev);
}
