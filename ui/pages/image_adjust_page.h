// The image adjustment page: brightness and contrast (each -100 to 100), either once for the whole
// page or per object type (text, graphics, images). Each value has an edit with a spin and a
// horizontal scroll bar that move together; the scroll bars show value + 100 in 0..200.
#pragma once

#include <span>

#include "core/driver_devmode.h"
#include "plat/resource_table.h"
#include "resources/lang/image_page_ids.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

namespace image_ids = orla_res::image_page;

// Dialog procedure of template 537; the PROPSHEETPAGEW lParam is the PageContext.
INT_PTR CALLBACK ImageAdjustPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

inline constexpr LONG kAdjustMin = -100, kAdjustMax = 100;
inline constexpr int kAdjustScrollMax = 200;  // the scroll bars run 0..200: value + 100
inline constexpr int kAdjustScrollOffset = 100;
inline constexpr int kAdjustLineStep = 1, kAdjustPageStep = 20;
inline constexpr int kAdjustEditChars = 4;  // "-100"
inline constexpr WORD kAdjustModeCommon = 0, kAdjustModePerType = 1;
inline constexpr DWORD kHelpTopicImagePage = 32785;

// The two values the page edits.
enum class AdjustValue : int { kFirst = 0, kSecond = 1 };  // brightness, contrast

// The object type shown in per-type mode: WORD 7580 when it names one of the three types, else
// type 0 (a record from elsewhere may hold anything there; it never picks a field past the types).
WORD ShownObjectType(const DriverDevmode& record);
// The field a value's controls show and edit: the common one in common mode, else the one of the
// object type shown.
DmField<DWORD> ShownAdjustField(const DriverDevmode& record, AdjustValue value);
// That field's value, held to -100..100.
LONG ShownAdjustValue(const DriverDevmode& record, AdjustValue value);
// The scroll position a WM_HSCROLL code moves `position` to: a line or a page left or right, the
// ends, or by (thumb - scrollPosition) for the thumb codes; other codes leave it. Held to 0..200.
int ScrolledAdjustPosition(int position, int code, int thumb, int scrollPosition);
// The value an edit's text gives: a number held to -100..100, anything else 0.
LONG EditedAdjustValue(BOOL isNumber, LONG number);
// Where the page paints its picture, by the dialog base units: lower for large fonts.
POINT ImageAdjustPictureOrigin(LONG dialogBaseUnits);
inline constexpr LONG kLargeFontBaseUnits = 0x0016000A;
inline constexpr POINT kPictureOrigin{25, 80}, kPictureOriginLargeFonts{25, 120};

// Brings every control of the page up to date from the current record.
void InitImageAdjustControls(HWND page, PageContext* context);
// WM_HSCROLL of the first and the second value's scroll bar.
void OnAdjustScrollFirst(PageContext* context, HWND page, int code, int thumb);
void OnAdjustScrollSecond(PageContext* context, HWND page, int code, int thumb);

// The page's picture (bitmap 2000), drawn by code once per process, as an RT_BITMAP entry of the
// interface DLL.
std::span<const ORLA_RESOURCE> ImageAdjustBitmapResources();
inline constexpr int kImageAdjustPictureWidth = 90, kImageAdjustPictureHeight = 64;

}  // namespace orla
