// A layout state and settings record with round numbers, for the layout-detail dialog's pure
// rules: a sheet and page of 200.0 x 300.0 mm with 5.0 mm margins, zoom 100, the image at its
// default place (5.0 mm from the top and left).
#pragma once

#include "core/driver_devmode.h"
#include "ui/pages/layout_state.h"

namespace pages_test {

inline orla::LayoutState RoundLayout(LONG width = 2000, LONG height = 3000, LONG margin = 50) {
    orla::LayoutState s{};
    s.outputPaper = {width, height};
    s.logicalPaper = {width, height};
    s.sheetMargins = {margin, margin, margin, margin};
    s.pageMargins = {margin, margin, margin, margin};
    const char16_t name[] = u"Custom";
    for (size_t i = 0; i < sizeof name / sizeof name[0]; ++i) s.paperName[i] = name[i];
    return s;
}

inline orla::DriverDevmode RoundRecord(LONG top = 50, LONG left = 50, WORD zoom = 100) {
    orla::DriverDevmode r{};
    Set(r, orla::dm::Zoom, zoom);
    Set(r, orla::dm::PrintPosTop, static_cast<DWORD>(top));
    Set(r, orla::dm::PrintPosLeft, static_cast<DWORD>(left));
    Set(r, orla::dm::PrintPosTop2, static_cast<DWORD>(top));
    Set(r, orla::dm::PrintPosLeft2, static_cast<DWORD>(left));
    Set(r, orla::dm::LayoutMode, WORD{1});
    Set(r, orla::dm::Orientation, SHORT{DMORIENT_PORTRAIT});
    Set(r, orla::dm::Duplex, SHORT{DMDUP_SIMPLEX});
    return r;
}

inline bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace pages_test
