// The image adjustment page: the mode radios, the object type list, and for each of the two values
// an icon, an edit with its spin and a scroll bar, all kept to the field the mode and the object
// type pick; the group's defaults; and the page's picture.
#include "ui/pages/image_adjust_page.h"

#include <algorithm>

#include "ui/entry/printer_config.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/context_help.h"
#include "ui/pages/device_page_steps.h"
#include "ui/pages/page_common.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/preview_pictures.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace orla {

namespace {

using namespace orla_res::image_page;

// The controls of one value and the fields behind them.
struct ValueControls {
    AdjustValue value;
    int icon;
    UINT iconId;
    int edit;
    int spin;
    int scroll;
};
constexpr ValueControls kValues[] = {
    {AdjustValue::kFirst, kFirstIcon, kIconFirst, kFirstEdit, kFirstSpin, kFirstScroll},
    {AdjustValue::kSecond, kSecondIcon, kIconSecond, kSecondEdit, kSecondSpin, kSecondScroll},
};

struct ValueFields {
    DmField<DWORD> common;
    DmField<DWORD> perType[dm::kAdjustObjectTypeCount];
};
constexpr ValueFields kValueFields[] = {
    {dm::BrightnessCommon, {dm::BrightnessText, dm::BrightnessGraphics, dm::BrightnessImages}},
    {dm::ContrastCommon, {dm::ContrastText, dm::ContrastGraphics, dm::ContrastImages}},
};

// The list's entries: the type's name, with the type as item data.
constexpr UINT kObjectTypeTexts[dm::kAdjustObjectTypeCount] = {kTextObjectText, kTextObjectGraphics, kTextObjectImages};

// How each scroll code moves the position: by an amount, by the thumb's travel, or to an end.
enum class ScrollMove { kBy, kByThumb, kTo };
struct ScrollRule {
    int code;
    ScrollMove move;
    int amount;
};
constexpr ScrollRule kScrollRules[] = {
    {SB_LINELEFT, ScrollMove::kBy, -kAdjustLineStep},
    {SB_LINERIGHT, ScrollMove::kBy, kAdjustLineStep},
    {SB_PAGELEFT, ScrollMove::kBy, -kAdjustPageStep},
    {SB_PAGERIGHT, ScrollMove::kBy, kAdjustPageStep},
    {SB_THUMBPOSITION, ScrollMove::kByThumb, 0},
    {SB_THUMBTRACK, ScrollMove::kByThumb, 0},
    {SB_LEFT, ScrollMove::kTo, 0},
    {SB_RIGHT, ScrollMove::kTo, kAdjustScrollMax},
};

constexpr HelpIdPair kPageHelp[] = {{kModeGroup, 0x5600},       {kCommonMode, 0x5601},      {kPerTypeMode, 0x5602},
                                    {kObjectTypeLabel, 0x5602}, {kObjectTypes, 0x5602},     {kFirstIcon, 0x5604},
                                    {kFirstLabel, 0x5604},      {kFirstEdit, 0x5604},       {kFirstSpin, 0x5604},
                                    {kFirstLowLabel, 0x5604},   {kFirstScroll, 0x5604},     {kFirstHighLabel, 0x5604},
                                    {kSecondIcon, 0x5605},      {kSecondLabel, 0x5605},     {kSecondEdit, 0x5605},
                                    {kSecondSpin, 0x5605},      {kSecondLowLabel, 0x5605},  {kSecondScroll, 0x5605},
                                    {kSecondHighLabel, 0x5605}, {kRestoreDefaults, 0x5019}, {0, 0}};

constexpr int kIconSize = 24;

DriverDevmode& Record(PageContext* page) {
    return page->uiContext->currentDevmode;
}

bool PerTypeMode(const DriverDevmode& record) {
    return Get(record, dm::ImageAdjustMode) != kAdjustModeCommon;
}

// ---- Controls ---------------------------------------------------------------------------------

// The value's icon, loaded once for the page's life (WM_DESTROY frees it).
void SetValueIcon(HWND dialog, const ValueControls& v) {
    HWND control = GetDlgItem(dialog, v.icon);
    if (!control || SendMessageW(control, STM_GETICON, 0, 0)) return;
    auto icon = static_cast<HICON>(
        LoadImageW(GetInterfaceModule(), MAKEINTRESOURCEW(v.iconId), IMAGE_ICON, kIconSize, kIconSize, 0));
    if (icon) SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void FreeValueIcons(HWND dialog) {
    for (const ValueControls& v : kValues) {
        HWND control = GetDlgItem(dialog, v.icon);
        auto old = control ? reinterpret_cast<HICON>(SendMessageW(control, STM_SETICON, 0, 0)) : nullptr;
        if (old) DestroyIcon(old);
    }
}

void ShowScrollPosition(HWND dialog, const ValueControls& v, LONG value) {
    HWND scroll = GetDlgItem(dialog, v.scroll);
    if (!scroll) return;
    SetScrollRange(scroll, SB_CTL, 0, kAdjustScrollMax, FALSE);
    SetScrollPos(scroll, SB_CTL, static_cast<int>(value) + kAdjustScrollOffset, TRUE);
}

// The value's edit, spin and scroll bar show the field the mode picks. Setting the spin rewrites
// the edit, whose EN_CHANGE finds the field already holding the value.
void ShowAdjustValue(HWND dialog, const DriverDevmode& record, const ValueControls& v) {
    const LONG value = ShownAdjustValue(record, v.value);
    SendDlgItemMessageW(dialog, v.edit, EM_LIMITTEXT, kAdjustEditChars, 0);
    SendDlgItemMessageW(dialog, v.spin, UDM_SETRANGE32, static_cast<WPARAM>(kAdjustMin), kAdjustMax);
    SendDlgItemMessageW(dialog, v.spin, UDM_SETPOS32, 0, value);
    ShowScrollPosition(dialog, v, value);
}

// List 1098 refilled; the shown type selected in per-type mode only.
void FillObjectTypeList(PageContext* page, HWND dialog, bool perType) {
    HWND list = GetDlgItem(dialog, kObjectTypes);
    if (!list) return;
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const WORD shown = ShownObjectType(Record(page));
    for (WORD type = 0; type < dm::kAdjustObjectTypeCount; ++type) {
        WCHAR text[64] = {};
        LoadStringW(page->uiContext->hResDll, kObjectTypeTexts[type], text, 64);
        const auto index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (index < 0) continue;
        SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(index), type);
        if (perType && type == shown) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    if (!perType) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void MarkPageChanged(HWND dialog) {
    if (HWND sheet = GetParent(dialog)) SendMessageW(sheet, PSM_CHANGED, reinterpret_cast<WPARAM>(dialog), 0);
}

// ---- The user's changes ---------------------------------------------------------------------

// EN_CHANGE of a value's edit: a number beyond the range sets the spin to the range's end (which
// rewrites the edit); the value goes into the field the mode picks, and the scroll bar follows.
void OnAdjustEditChange(PageContext* page, HWND dialog, const ValueControls& v) {
    BOOL isNumber = FALSE;
    const LONG typed = static_cast<LONG>(GetDlgItemInt(dialog, v.edit, &isNumber, TRUE));
    const LONG value = EditedAdjustValue(isNumber, typed);
    if (isNumber && value != typed) SendDlgItemMessageW(dialog, v.spin, UDM_SETPOS32, 0, value);
    DriverDevmode& r = Record(page);
    const DmField<DWORD> field = ShownAdjustField(r, v.value);
    if (static_cast<LONG>(Get(r, field)) == value) return;
    Set(r, field, static_cast<DWORD>(value));
    ShowScrollPosition(dialog, v, value);
    MarkPageChanged(dialog);
}

void OnAdjustScroll(PageContext* page, HWND dialog, const ValueControls& v, int code, int thumb) {
    DriverDevmode& r = Record(page);
    const DmField<DWORD> field = ShownAdjustField(r, v.value);
    const LONG shown = ShownAdjustValue(r, v.value);
    const int current = GetScrollPos(GetDlgItem(dialog, v.scroll), SB_CTL);
    const int position = ScrolledAdjustPosition(static_cast<int>(shown) + kAdjustScrollOffset, code, thumb, current);
    const LONG value = position - kAdjustScrollOffset;
    if (static_cast<LONG>(Get(r, field)) == value) return;
    Set(r, field, static_cast<DWORD>(value));
    ShowAdjustValue(dialog, r, v);
    MarkPageChanged(dialog);
}

void OnMode(PageContext* page, HWND dialog, WORD mode) {
    Set(Record(page), dm::ImageAdjustMode, mode);
    InitImageAdjustControls(dialog, page);
    if (mode != kAdjustModeCommon) {
        EnableDialogControl(dialog, kObjectTypeLabel, true);
        EnableDialogControl(dialog, kObjectTypes, true);
    }
}

// LBN_SELCHANGE: the chosen type is the one shown; FALSE when nothing changed.
bool OnObjectTypeChosen(PageContext* page, HWND dialog) {
    HWND list = GetDlgItem(dialog, kObjectTypes);
    const auto index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index < 0) return false;
    const auto data = SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    if (data < 0 || data >= static_cast<LRESULT>(dm::kAdjustObjectTypeCount)) return false;
    DriverDevmode& r = Record(page);
    if (Get(r, dm::AdjustObjectType) == static_cast<WORD>(data)) return false;
    Set(r, dm::AdjustObjectType, static_cast<WORD>(data));
    InitImageAdjustControls(dialog, page);
    return true;
}

void OnRestoreDefaults(PageContext* page, HWND dialog) {
    RestoreGroupDefaults(page, dialog, static_cast<int>(SettingGroup::kImageAdjust));
    InitImageAdjustControls(dialog, page);
    SetFocus(GetDlgItem(dialog, kCommonMode));
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
    for (const ValueControls& v : kValues) {
        if (v.edit == id) {
            if (code == EN_CHANGE) OnAdjustEditChange(page, dialog, v);
            return;
        }
    }
    switch (id) {
        case kCommonMode:
        case kPerTypeMode:
            if (code != BN_CLICKED) return;
            OnMode(page, dialog, id == kCommonMode ? kAdjustModeCommon : kAdjustModePerType);
            break;
        case kObjectTypes:
            if (code != LBN_SELCHANGE || !OnObjectTypeChosen(page, dialog)) return;
            break;
        case kRestoreDefaults:
            if (code != BN_CLICKED) return;
            OnRestoreDefaults(page, dialog);
            break;
        case kHelp:
            if (code == BN_CLICKED) ShowDevicePageHelp(page);
            return;
        default:
            return;
    }
    MarkPageChanged(dialog);
}

// ---- The sheet --------------------------------------------------------------------------------

BOOL OnNotify(PageContext* page, HWND dialog, const NMHDR* note) {
    LONG_PTR result = 0;
    switch (note->code) {
        case PSN_SETACTIVE:
            page->hSheetFrame = GetParent(dialog);
            page->hPageDlg = dialog;
            InitImageAdjustControls(dialog, page);
            break;
        case PSN_KILLACTIVE:
            result = FALSE;  // the page always lets the user go
            break;
        case PSN_APPLY:
            ApplyPageSettings(page, dialog);
            result = PSNRET_NOERROR;
            break;
        case PSN_HELP:
            ShowDevicePageHelp(page);
            break;
        default:
            return FALSE;
    }
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

void OnPaint(HWND dialog) {
    PAINTSTRUCT ps{};
    HDC hdc = BeginPaint(dialog, &ps);
    if (hdc) {
        const POINT at = ImageAdjustPictureOrigin(GetDialogBaseUnits());
        DrawBitmapRop(GetInterfaceModule(), hdc, kPictureBitmap, at.x, at.y, SRCCOPY);
    }
    EndPaint(dialog, &ps);
}

void ImageAdjustPageInitDialog(PageContext* page, HWND dialog) {
    page->hPageDlg = dialog;
    InitImageAdjustControls(dialog, page);
    RefreshPrinterConfig(page);
}

}  // namespace

WORD ShownObjectType(const DriverDevmode& record) {
    const WORD type = Get(record, dm::AdjustObjectType);
    return type < dm::kAdjustObjectTypeCount ? type : 0;
}

DmField<DWORD> ShownAdjustField(const DriverDevmode& record, AdjustValue value) {
    const ValueFields& fields = kValueFields[static_cast<int>(value)];
    return PerTypeMode(record) ? fields.perType[ShownObjectType(record)] : fields.common;
}

LONG ShownAdjustValue(const DriverDevmode& record, AdjustValue value) {
    return std::clamp(static_cast<LONG>(Get(record, ShownAdjustField(record, value))), kAdjustMin, kAdjustMax);
}

int ScrolledAdjustPosition(int position, int code, int thumb, int scrollPosition) {
    long long p = position;
    for (const ScrollRule& rule : kScrollRules) {
        if (rule.code != code) continue;
        switch (rule.move) {
            case ScrollMove::kBy:
                p += rule.amount;
                break;
            case ScrollMove::kByThumb:
                p += static_cast<long long>(thumb) - scrollPosition;
                break;
            case ScrollMove::kTo:
                p = rule.amount;
                break;
        }
    }
    return static_cast<int>(std::clamp<long long>(p, 0, kAdjustScrollMax));
}

LONG EditedAdjustValue(BOOL isNumber, LONG number) {
    return isNumber ? std::clamp(number, kAdjustMin, kAdjustMax) : 0;
}

POINT ImageAdjustPictureOrigin(LONG dialogBaseUnits) {
    return dialogBaseUnits == kLargeFontBaseUnits ? kPictureOriginLargeFonts : kPictureOrigin;
}

void InitImageAdjustControls(HWND page, PageContext* context) {
    if (!context || !context->uiContext) return;
    const DriverDevmode& r = Record(context);
    const bool perType = PerTypeMode(r);
    CheckRadioButton(page, kCommonMode, kPerTypeMode, perType ? kPerTypeMode : kCommonMode);
    FillObjectTypeList(context, page, perType);
    EnableDialogControl(page, kObjectTypeLabel, perType);
    EnableDialogControl(page, kObjectTypes, perType);
    for (const ValueControls& v : kValues) {
        SetValueIcon(page, v);
        ShowAdjustValue(page, r, v);
    }
}

void OnAdjustScrollFirst(PageContext* context, HWND page, int code, int thumb) {
    OnAdjustScroll(context, page, kValues[0], code, thumb);
}

void OnAdjustScrollSecond(PageContext* context, HWND page, int code, int thumb) {
    OnAdjustScroll(context, page, kValues[1], code, thumb);
}

INT_PTR CALLBACK ImageAdjustPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        PageContext* page = KeepDevicePageContext(hDlg, lParam);
        if (page && page->uiContext) ImageAdjustPageInitDialog(page, hDlg);
        return TRUE;
    }
    if (message == WM_DESTROY) {
        FreeValueIcons(hDlg);
        return FALSE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;  // before WM_INITDIALOG, or a page without its context
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kPageHelp)) return TRUE;
    switch (message) {
        case WM_NOTIFY:
            return lParam && OnNotify(page, hDlg, reinterpret_cast<const NMHDR*>(lParam));
        case WM_COMMAND:
            OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_HSCROLL: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            const int code = LOWORD(wParam), thumb = HIWORD(wParam);
            if (id == kFirstScroll) OnAdjustScrollFirst(page, hDlg, code, thumb);
            if (id == kSecondScroll) OnAdjustScrollSecond(page, hDlg, code, thumb);
            return TRUE;
        }
        case WM_PAINT:
            OnPaint(hDlg);
            return TRUE;
    }
    return FALSE;
}

}  // namespace orla
