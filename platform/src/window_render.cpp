// Draws a window tree the way the classic Windows look draws it: a dialog frame and caption,
// then every shown control by its class and state, text set by the shared UI faces.
#include "plat/window_render.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "listview_layout.h"
#include "plat_internal.h"
#include "scrollbar_layout.h"
#include "system_classes.h"
#include "ui_fonts.h"
#include "win/ddi.h"
#include "win/list_view.h"
#include "win/tree_view.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"
#include "window_input_paint.h"

namespace plat {
namespace {

constexpr int kTextPixels = kUiTextPixels;
constexpr LONG kLargestPicture = 8192;

struct Rgb {
    BYTE r, g, b;
};
constexpr Rgb kFace{240, 240, 240};
constexpr Rgb kCaption{10, 36, 106};
constexpr Rgb kCaptionText{255, 255, 255};
constexpr Rgb kText{0, 0, 0};
constexpr Rgb kGreyText{109, 109, 109};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kButtonFace{225, 225, 225};
constexpr Rgb kButtonEdge{173, 173, 173};
constexpr Rgb kDefaultEdge{0, 120, 215};
constexpr Rgb kFieldEdge{122, 122, 122};
constexpr Rgb kGroupEdge{220, 220, 220};
constexpr Rgb kMark{33, 33, 33};

// Where controls put their text: inside a push button's frame, after a check box's or radio
// button's mark, after a group box's caption gap, inside a field's edge, before a combo's arrow.
constexpr LONG kButtonTextInset = 3;
constexpr LONG kBoxTextOffset = 17;
constexpr LONG kGroupCaptionLeft = 8, kGroupCaptionRight = 6;
constexpr LONG kFieldTextInset = 3;
constexpr LONG kComboArrowWidth = 17;
constexpr LONG kTabPadding = 12;

struct Canvas {
    LONG width = 0;
    LONG height = 0;
    std::vector<BYTE> rgb;
    RECT clip{};
};

void Blend(Canvas& c, LONG x, LONG y, Rgb color, unsigned coverage) {
    if (x < c.clip.left || y < c.clip.top || x >= c.clip.right || y >= c.clip.bottom) return;
    BYTE* p = &c.rgb[(static_cast<size_t>(y) * static_cast<size_t>(c.width) + static_cast<size_t>(x)) * 3];
    const BYTE to[3] = {color.r, color.g, color.b};
    for (int i = 0; i < 3; ++i) p[i] = static_cast<BYTE>((p[i] * (255 - coverage) + to[i] * coverage) / 255);
}

void Fill(Canvas& c, RECT r, Rgb color) {
    for (LONG y = r.top; y < r.bottom; ++y) {
        for (LONG x = r.left; x < r.right; ++x) Blend(c, x, y, color, 255);
    }
}

void Frame(Canvas& c, RECT r, Rgb color, LONG thickness = 1) {
    Fill(c, RECT{r.left, r.top, r.right, r.top + thickness}, color);
    Fill(c, RECT{r.left, r.bottom - thickness, r.right, r.bottom}, color);
    Fill(c, RECT{r.left, r.top, r.left + thickness, r.bottom}, color);
    Fill(c, RECT{r.right - thickness, r.top, r.right, r.bottom}, color);
}

void OwnerDraw(Canvas& c, HWND h, RECT place, UINT type, UINT item, ULONG_PTR data, UINT state);
void DrawPicture(Canvas& c, HWND h, RECT place, DWORD type);
void DrawListImage(Canvas& c, HIMAGELIST list, int index, RECT place);

void PlotOnCanvas(void* context, LONG x, LONG y, unsigned coverage) {
    auto* target = static_cast<std::pair<Canvas*, Rgb>*>(context);
    Blend(*target->first, x, y, target->second, coverage);
}

// Draws (or with `c` null only measures) one line; returns its advance in pixels.
LONG Text(Canvas* c, LONG x, LONG baseline, std::u16string_view text, Rgb color) {
    std::pair<Canvas*, Rgb> target{c, color};
    return SetUiText(x, baseline, text, c ? PlotOnCanvas : nullptr, &target);
}

// The control's text placed in its rectangle: left, centred or right, centred up and down.
void TextIn(Canvas& c, RECT r, std::u16string_view text, Rgb color, int align) {
    LONG width = Text(nullptr, 0, 0, text, color);
    LONG x = align == 1 ? (r.left + r.right - width) / 2 : align == 2 ? r.right - width : r.left;
    LONG baseline = (r.top + r.bottom) / 2 + kTextPixels * 4 / 10;
    RECT saved = c.clip;
    c.clip = RECT{std::max(saved.left, r.left), std::max(saved.top, r.top), std::min(saved.right, r.right),
                  std::min(saved.bottom, r.bottom)};
    Text(&c, x, baseline, text, color);
    c.clip = saved;
}

// Text shown as it stands, with the letter at `underlined` (npos: none) marked as a mnemonic.
std::u16string Marked(std::u16string_view shown, size_t underlined) {
    std::u16string out;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (i == underlined) out += u'&';
        out += shown[i];
        if (shown[i] == u'&') out += u'&';
    }
    return out;
}

// A label (button, static, group box, tab) placed as TextIn places text: its mnemonic letter
// underlined and "&&" shown as "&", as Windows draws control labels.
void LabelIn(Canvas& c, RECT r, std::u16string_view label, Rgb color, int align) {
    const MnemonicText m = ParseMnemonic(label);
    LONG width = Text(nullptr, 0, 0, m.shown, color);
    LONG x = align == 1 ? (r.left + r.right - width) / 2 : align == 2 ? r.right - width : r.left;
    LONG baseline = (r.top + r.bottom) / 2 + kTextPixels * 4 / 10;
    RECT saved = c.clip;
    c.clip = RECT{std::max(saved.left, r.left), std::max(saved.top, r.top), std::min(saved.right, r.right),
                  std::min(saved.bottom, r.bottom)};
    std::pair<Canvas*, Rgb> target{&c, color};
    SetUiTextUnderlined(x, baseline, m.shown, m.underlined, PlotOnCanvas, &target);
    c.clip = saved;
}

constexpr LONG kLineHeight = kTextPixels + kTextPixels / 4;

// The lines a static's text takes at a width: broken after a space where a line of words runs
// over, anywhere between characters of a text without spaces (Japanese); a character wider than
// the line still goes on a line of its own.
std::vector<std::u16string> WrapLines(std::u16string_view text, LONG width) {
    std::vector<std::u16string> lines;
    std::u16string line;
    for (char16_t ch : text) {
        std::u16string longer = line + ch;
        if (line.empty() || Text(nullptr, 0, 0, longer, kText) <= width) {
            line = std::move(longer);
            continue;
        }
        const size_t space = line.rfind(u' ');
        if (ch != u' ' && space != std::u16string::npos && space > 0) {
            lines.push_back(line.substr(0, space));
            line = line.substr(space + 1) + ch;
        } else {
            lines.push_back(line);
            line = ch == u' ' ? std::u16string() : std::u16string(1, ch);
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::u16string WindowText(HWND h) {
    WCHAR buffer[512];
    int n = GetWindowTextW(h, buffer, 512);
    return std::u16string(buffer, static_cast<size_t>(std::max(n, 0)));
}

bool IsClass(HWND h, std::u16string_view name) {
    WCHAR buffer[64];
    GetClassNameW(h, buffer, 64);
    return EqualNoCase(buffer, name);
}

void Disc(Canvas& c, LONG cx, LONG cy, double radius, Rgb color) {
    for (LONG y = cy - 7; y <= cy + 7; ++y) {
        for (LONG x = cx - 7; x <= cx + 7; ++x) {
            double d = std::hypot(x - cx, y - cy);
            if (d <= radius) Blend(c, x, y, color, 255);
        }
    }
}

void CheckMark(Canvas& c, RECT box) {
    for (LONG i = 0; i < 3; ++i)
        Fill(c, RECT{box.left + 3 + i, box.top + 6 + i, box.left + 4 + i, box.top + 8 + i}, kMark);
    for (LONG i = 0; i < 5; ++i)
        Fill(c, RECT{box.left + 6 + i, box.top + 7 - i, box.left + 7 + i, box.top + 9 - i}, kMark);
}

void DrawButton(Canvas& c, HWND h, RECT r, DWORD style, Rgb text) {
    DWORD type = style & BS_TYPEMASK;
    auto label = WindowText(h);
    LRESULT check = SendMessageW(h, BM_GETCHECK, 0, 0);
    LONG mid = (r.top + r.bottom) / 2;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW) {
        Fill(c, r, kButtonFace);
        Frame(c, r, type == BS_DEFPUSHBUTTON ? kDefaultEdge : kButtonEdge, type == BS_DEFPUSHBUTTON ? 2 : 1);
        LabelIn(c, RECT{r.left + kButtonTextInset, r.top, r.right - kButtonTextInset, r.bottom}, label, text, 1);
    } else if (type == BS_GROUPBOX) {
        Frame(c, RECT{r.left, r.top + kTextPixels / 2, r.right, r.bottom}, kGroupEdge);
        LONG width = Text(nullptr, 0, 0, ParseMnemonic(label).shown, text);
        RECT caption{r.left + kGroupCaptionLeft - 2, r.top, r.left + kGroupCaptionLeft + 2 + width,
                     r.top + kTextPixels + 2};
        Fill(c, caption, kFace);
        LabelIn(c, RECT{caption.left + 2, caption.top, caption.right, caption.bottom}, label, text, 0);
    } else if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
        Disc(c, r.left + 6, mid, 6.0, kFieldEdge);
        Disc(c, r.left + 6, mid, 5.0, kWhite);
        if (check == BST_CHECKED) Disc(c, r.left + 6, mid, 2.5, kMark);
        LabelIn(c, RECT{r.left + kBoxTextOffset, r.top, r.right, r.bottom}, label, text, 0);
    } else {
        RECT box{r.left, mid - 6, r.left + 13, mid + 7};
        Fill(c, box, kWhite);
        Frame(c, box, kMark);
        if (check == BST_CHECKED) CheckMark(c, box);
        if (check == BST_INDETERMINATE)
            Fill(c, RECT{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3}, kGreyText);
        LabelIn(c, RECT{r.left + kBoxTextOffset, r.top, r.right, r.bottom}, label, text, 0);
    }
}

void DrawEdit(Canvas& c, HWND h, RECT r, Rgb text) {
    Fill(c, r, kWhite);
    Frame(c, r, kFieldEdge);
    auto content = WindowText(h);
    if (auto dot = static_cast<WCHAR>(SendMessageW(h, EM_GETPASSWORDCHAR, 0, 0))) content.assign(content.size(), dot);
    TextIn(c, RECT{r.left + kFieldTextInset, r.top, r.right - 2, r.bottom}, content, text, 0);
}

void DrawCombo(Canvas& c, HWND h, RECT r, Rgb text) {
    // Only the closed field is drawn: the template's height includes the dropped list.
    RECT field{r.left, r.top, r.right, std::min(r.bottom, r.top + kTextPixels + 10)};
    Fill(c, field, kWhite);
    Frame(c, field, kFieldEdge);
    LONG arrowLeft = field.right - kComboArrowWidth;
    LONG mid = (field.top + field.bottom) / 2;
    for (LONG i = 0; i < 4; ++i) Fill(c, RECT{arrowLeft + 5 + i, mid - 2 + i, arrowLeft + 12 - i, mid - 1 + i}, kMark);
    DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    if (!(style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE))) {
        TextIn(c, RECT{field.left + kFieldTextInset, field.top, arrowLeft, field.bottom}, WindowText(h), text, 0);
        return;
    }
    // The owner draws the chosen entry in the closed field, as it does on screen.
    auto current = static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0));
    if (current < 0) return;
    auto data = static_cast<ULONG_PTR>(SendMessageW(h, CB_GETITEMDATA, static_cast<WPARAM>(current), 0));
    OwnerDraw(c, h, RECT{field.left + 2, field.top + 2, arrowLeft, field.bottom - 2}, ODT_COMBOBOX,
              static_cast<UINT>(current), data, ODS_COMBOBOXEDIT);
}

// A static's lines as they wrap out of `shown`, the letter at `underlined` of `shown` (npos:
// none) underlined on the line that holds it.
void DrawStaticLines(Canvas& c, RECT r, std::u16string_view shown, size_t underlined, Rgb text, int align) {
    const std::vector<std::u16string> lines = WrapLines(shown, r.right - r.left);
    if (lines.size() <= 1) {
        LabelIn(c, r, Marked(lines.empty() ? std::u16string() : lines.front(), underlined), text, align);
        return;
    }
    // Text wider than the control wraps as a static's does, the lines from its top.
    size_t start = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const LONG top = r.top + static_cast<LONG>(i) * kLineHeight;
        if (top >= r.bottom) break;
        start = std::min(shown.find(lines[i], start), shown.size());  // breaks drop the space they take
        const bool here = underlined >= start && underlined < start + lines[i].size();
        LabelIn(c, RECT{r.left, top, r.right, std::min(r.bottom, top + kLineHeight)},
                Marked(lines[i], here ? underlined - start : std::u16string::npos), text, align);
        start += lines[i].size();
    }
}

void DrawStatic(Canvas& c, HWND h, RECT r, DWORD style, Rgb text) {
    DWORD type = style & SS_TYPEMASK;
    if (type == SS_ICON || type == SS_BITMAP) {
        DrawPicture(c, h, r, type);
        return;
    }
    if (type == SS_ETCHEDHORZ) {
        Fill(c, RECT{r.left, r.top, r.right, r.top + 1}, kGroupEdge);
        return;
    }
    if (type == SS_BLACKRECT) {
        Fill(c, r, kText);
        return;
    }
    const int align = type == SS_CENTER ? 1 : type == SS_RIGHT ? 2 : 0;
    const std::u16string raw = WindowText(h);
    if (style & SS_NOPREFIX) {
        DrawStaticLines(c, r, raw, std::u16string::npos, text, align);
        return;
    }
    const MnemonicText m = ParseMnemonic(raw);
    DrawStaticLines(c, r, m.shown, m.underlined, text, align);
}

// A small filled triangle centred in `r`, pointing up or down, as the spin buttons' arrows.
void Arrow(Canvas& c, RECT r, bool up, Rgb color) {
    const LONG rows = std::clamp<LONG>(std::min((r.right - r.left) / 2 - 1, r.bottom - r.top - 2), 1, 4);
    const LONG mid = (r.left + r.right) / 2;
    const LONG top = (r.top + r.bottom - rows) / 2;
    for (LONG i = 0; i < rows; ++i) {
        const LONG half = up ? i : rows - 1 - i;
        Fill(c, RECT{mid - half - 1, top + i, mid + half + 1, top + i + 1}, color);
    }
}

// Two stacked buttons, each with its arrow.
void DrawUpDown(Canvas& c, RECT r, Rgb text) {
    const LONG middle = (r.top + r.bottom) / 2;
    for (const RECT half : {RECT{r.left, r.top, r.right, middle}, RECT{r.left, middle, r.right, r.bottom}}) {
        Fill(c, half, kButtonFace);
        Frame(c, half, kButtonEdge);
    }
    Arrow(c, RECT{r.left, r.top, r.right, middle}, true, text);
    Arrow(c, RECT{r.left, middle, r.right, r.bottom}, false, text);
}

RECT ClientArea(HWND h, RECT r);

// A small filled triangle centred in `r`, pointing left or right, as a scroll bar's arrows.
void SideArrow(Canvas& c, RECT r, bool left, Rgb color) {
    const LONG columns = std::clamp<LONG>(std::min((r.bottom - r.top) / 2 - 1, r.right - r.left - 2), 1, 4);
    const LONG mid = (r.top + r.bottom) / 2;
    const LONG from = (r.left + r.right - columns) / 2;
    for (LONG i = 0; i < columns; ++i) {
        const LONG half = left ? i : columns - 1 - i;
        Fill(c, RECT{from + i, mid - half - 1, from + i + 1, mid + half + 1}, color);
    }
}

constexpr Rgb kScrollTrack{232, 232, 232};
constexpr Rgb kScrollThumb{192, 192, 192};

// The arrow buttons at the ends, the track between them and the thumb at the bar's position
// (where the user holds it while it is dragged).
void DrawScrollBar(Canvas& c, HWND h, RECT r, DWORD style, Rgb text) {
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    SendMessageW(h, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&info));
    const bool vertical = (style & SBS_VERT) != 0;
    const ScrollBarParts parts =
        ScrollBarLayout(ClientArea(h, r), vertical, info.nMin, info.nMax, info.nPage, info.nTrackPos);
    Fill(c, parts.track, kScrollTrack);
    for (const RECT& button : {parts.before, parts.after}) {
        Fill(c, button, kButtonFace);
        Frame(c, button, kButtonEdge);
    }
    if (vertical) {
        Arrow(c, parts.before, true, text);
        Arrow(c, parts.after, false, text);
    } else {
        SideArrow(c, parts.before, true, text);
        SideArrow(c, parts.after, false, text);
    }
    if (parts.thumb.right > parts.thumb.left && parts.thumb.bottom > parts.thumb.top) {
        Fill(c, parts.thumb, kScrollThumb);
        Frame(c, parts.thumb, kButtonEdge);
    }
}

constexpr Rgb kHighlight{0, 120, 215};
constexpr LONG kTreeImageWidth = 16 + 3;  // the tree's room for an item's image before its text

// A control's client area in the picture (its window at `r`), inside whatever edge its style
// gives it: where the rectangles it reports lie.
RECT ClientArea(HWND h, RECT r) {
    RECT screen{}, inner{};
    POINT corner{0, 0};
    GetWindowRect(h, &screen);
    GetClientRect(h, &inner);
    ClientToScreen(h, &corner);
    const LONG left = r.left + corner.x - screen.left, top = r.top + corner.y - screen.top;
    return RECT{left, top, left + inner.right, top + inner.bottom};
}

// Shown items with their indent; the selected one highlighted.
void DrawTree(Canvas& c, HWND h, RECT r, Rgb text) {
    Fill(c, r, kWhite);
    Frame(c, r, kFieldEdge);
    const RECT client = ClientArea(h, r);
    auto selected = reinterpret_cast<HTREEITEM>(SendMessageW(h, TVM_GETNEXTITEM, TVGN_CARET, 0));
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(h, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    for (auto item = reinterpret_cast<HTREEITEM>(SendMessageW(h, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)); item;
         item = reinterpret_cast<HTREEITEM>(
             SendMessageW(h, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)))) {
        RECT row;
        std::memcpy(&row, &item, sizeof item);  // the item goes in, its rectangle comes out
        if (!SendMessageW(h, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&row))) continue;
        WCHAR label[128] = {};
        TVITEMW get{};
        get.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        get.hItem = item;
        get.pszText = label;
        get.cchTextMax = 128;
        SendMessageW(h, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get));
        RECT place{client.left + row.left, client.top + row.top, client.right, client.top + row.bottom};
        if (place.top >= client.bottom) break;
        if (images) {
            int index = item == selected ? get.iSelectedImage : get.iImage;
            DrawListImage(c, images, index, RECT{place.left - kTreeImageWidth, place.top, place.left, place.bottom});
        }
        if (item == selected) Fill(c, RECT{place.left, place.top, client.left + row.right, place.bottom}, kHighlight);
        TextIn(c, RECT{place.left + 2, place.top, place.right, place.bottom}, label, item == selected ? kWhite : text,
               0);
    }
}

// ---- List views (icon and small-icon views) ----

// A list item's label: on the highlight when it is selected and the view shows its selection,
// wrapped into the lines its rectangle holds, each centred (left in small-icon view).
void DrawListLabel(Canvas& c, RECT label, std::u16string_view text, bool highlighted, bool centred, Rgb color) {
    if (highlighted) Fill(c, label, kHighlight);
    const std::vector<std::u16string> lines = WrapLines(text, std::max<LONG>(label.right - label.left - 4, 1));
    LONG top = label.top;
    for (const std::u16string& line : lines) {
        if (top + kTextPixels > label.bottom) break;
        TextIn(c, RECT{label.left + 2, top, label.right - 2, top + kUiLineHeight + 1}, line,
               highlighted ? kWhite : color, centred ? 1 : 0);
        top += kUiLineHeight;
    }
}

// One item: its state image, its image from the view's list and its label, placed where the
// view says they lie (client coordinates, inside the border).
void DrawListItem(Canvas& c, HWND h, RECT client, int index, bool smallIcons, bool showSelection, Rgb text) {
    RECT icon{LVIR_ICON, 0, 0, 0}, label{LVIR_LABEL, 0, 0, 0};
    if (!SendMessageW(h, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&icon)) ||
        !SendMessageW(h, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&label)))
        return;
    WCHAR name[260] = {};
    LVITEMW get{};
    get.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    get.iItem = index;
    get.stateMask = LVIS_SELECTED | LVIS_STATEIMAGEMASK;
    get.pszText = name;
    get.cchTextMax = 260;
    SendMessageW(h, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get));
    auto move = [&](RECT r) {
        return RECT{client.left + r.left, client.top + r.top, client.left + r.right, client.top + r.bottom};
    };
    icon = move(icon);
    label = move(label);
    auto images =
        reinterpret_cast<HIMAGELIST>(SendMessageW(h, LVM_GETIMAGELIST, smallIcons ? LVSIL_SMALL : LVSIL_NORMAL, 0));
    int cx = 0, cy = 0;
    const LONG imageLeft =
        ImageList_GetIconSize(images, &cx, &cy) && !smallIcons ? (icon.left + icon.right - cx) / 2 : icon.left + 2;
    if (images) DrawListImage(c, images, get.iImage, RECT{imageLeft, icon.top + 2, imageLeft + cx, icon.top + 2 + cy});
    auto states = reinterpret_cast<HIMAGELIST>(SendMessageW(h, LVM_GETIMAGELIST, LVSIL_STATE, 0));
    const int stateIndex = static_cast<int>((get.state & LVIS_STATEIMAGEMASK) >> 12);
    int sx = 0, sy = 0;
    if (stateIndex > 0 && ImageList_GetIconSize(states, &sx, &sy))
        DrawListImage(c, states, stateIndex, RECT{imageLeft - sx, icon.bottom - 2 - sy, imageLeft, icon.bottom - 2});
    DrawListLabel(c, label, name, showSelection && (get.state & LVIS_SELECTED), !smallIcons, text);
}

// ---- List views in report view ----

constexpr Rgb kGridLine{240, 240, 240};

struct ReportColumn {
    std::u16string text;
    int format = LVCFMT_LEFT;
    LONG width = 0;
};

std::vector<ReportColumn> ReportColumns(HWND h) {
    std::vector<ReportColumn> columns;
    for (int i = 0;; ++i) {
        WCHAR label[128] = {};
        LVCOLUMNW get{};
        get.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        get.pszText = label;
        get.cchTextMax = 128;
        if (!SendMessageW(h, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&get))) break;
        columns.push_back(ReportColumn{label, get.fmt & LVCFMT_JUSTIFYMASK, get.cx});
    }
    return columns;
}

int AlignOf(int format) {
    return format == LVCFMT_RIGHT ? 2 : format == LVCFMT_CENTER ? 1 : 0;
}

// One row: the selection's highlight (the whole row with LVS_EX_FULLROWSELECT, else column 0's
// label), column 0's small image, then each cell's text as its column aligns it.
void DrawReportRow(Canvas& c, HWND h, RECT client, int index, const std::vector<ReportColumn>& columns, bool highlight,
                   Rgb text) {
    auto move = [&](RECT r) {
        return RECT{client.left + r.left, client.top + r.top, client.left + r.right, client.top + r.bottom};
    };
    RECT chosen{LVIR_SELECTBOUNDS, 0, 0, 0}, icon{LVIR_ICON, 0, 0, 0};
    if (!SendMessageW(h, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&chosen))) return;
    if (highlight) Fill(c, move(chosen), kHighlight);
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(h, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    if (images && SendMessageW(h, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&icon))) {
        LVITEMW get{};
        get.mask = LVIF_IMAGE;
        get.iItem = index;
        SendMessageW(h, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get));
        const RECT place = move(icon);
        DrawListImage(c, images, get.iImage, RECT{place.left + 1, place.top, place.right, place.bottom});
    }
    for (size_t k = 0; k < columns.size(); ++k) {
        RECT cell{k == 0 ? LVIR_LABEL : LVIR_BOUNDS, static_cast<LONG>(k), 0, 0};
        if (!SendMessageW(h, LVM_GETSUBITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&cell))) continue;
        WCHAR shown[260] = {};
        LVITEMW get{};
        get.iSubItem = static_cast<int>(k);
        get.pszText = shown;
        get.cchTextMax = 260;
        SendMessageW(h, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&get));
        const RECT place = move(cell);
        const RECT chosenPlace = move(chosen);
        const bool onHighlight = highlight && place.left < chosenPlace.right && place.right > chosenPlace.left;
        TextIn(c, RECT{place.left + kCellPadding, place.top, place.right - kCellPadding, place.bottom}, shown,
               onHighlight ? kWhite : text, AlignOf(columns[k].format));
    }
}

// The header: a button-faced cell per column with its title, scrolled sideways with the rows.
void DrawReportHeader(Canvas& c, RECT client, LONG left, const std::vector<ReportColumn>& columns, Rgb text) {
    LONG x = left;
    for (const ReportColumn& column : columns) {
        const RECT cell{x, client.top, x + column.width, client.top + kReportHeaderHeight};
        Fill(c, cell, kButtonFace);
        Frame(c, cell, kButtonEdge);
        TextIn(c, RECT{cell.left + kCellPadding, cell.top, cell.right - kCellPadding, cell.bottom}, column.text, text,
               AlignOf(column.format));
        x += column.width;
    }
}

// Grid lines under each row and between the columns, as far as the rows reach.
void DrawGridLines(Canvas& c, RECT rows, LONG left, LONG firstRowTop, const std::vector<ReportColumn>& columns) {
    for (LONG y = firstRowTop + kReportRowHeight - 1; y < rows.bottom; y += kReportRowHeight)
        Fill(c, RECT{rows.left, y, rows.right, y + 1}, kGridLine);
    LONG x = left;
    for (const ReportColumn& column : columns) {
        x += column.width;
        Fill(c, RECT{x - 1, rows.top, x, rows.bottom}, kGridLine);
    }
}

// Rows under the header; the rows scroll beneath it, the header only sideways.
void DrawReportView(Canvas& c, HWND h, RECT client, DWORD style, bool showSelection, Rgb text) {
    const std::vector<ReportColumn> columns = ReportColumns(h);
    const auto extended = static_cast<DWORD>(SendMessageW(h, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    POINT origin{};
    SendMessageW(h, LVM_GETORIGIN, 0, reinterpret_cast<LPARAM>(&origin));
    const LONG header = (style & LVS_NOCOLUMNHEADER) ? 0 : kReportHeaderHeight;
    const RECT saved = c.clip;
    c.clip.top = std::max(c.clip.top, client.top + header);
    const auto count = static_cast<int>(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const bool selected =
            showSelection && SendMessageW(h, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) != 0;
        DrawReportRow(c, h, client, i, columns, selected, text);
    }
    if (extended & LVS_EX_GRIDLINES)
        DrawGridLines(c, RECT{client.left, client.top + header, client.right, client.bottom}, client.left - origin.x,
                      client.top + header - origin.y, columns);
    c.clip = saved;
    if (header > 0) DrawReportHeader(c, client, client.left - origin.x, columns, text);
}

// The view's white field, then every item lying in it. Without LVS_SHOWSELALWAYS the selection
// shows only while the view has the focus.
void DrawListView(Canvas& c, HWND h, RECT r, Rgb text) {
    Fill(c, r, kWhite);
    Frame(c, r, kFieldEdge);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    const bool smallIcons = (style & LVS_TYPEMASK) == LVS_SMALLICON;
    const bool showSelection = (style & LVS_SHOWSELALWAYS) || GetFocus() == h;
    const RECT client = ClientArea(h, r);
    const RECT saved = c.clip;
    c.clip = RECT{std::max(saved.left, client.left), std::max(saved.top, client.top),
                  std::min(saved.right, client.right), std::min(saved.bottom, client.bottom)};
    if ((style & LVS_TYPEMASK) == LVS_REPORT) {
        DrawReportView(c, h, client, style, showSelection, text);
        c.clip = saved;
        return;
    }
    const auto count = static_cast<int>(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) DrawListItem(c, h, client, i, smallIcons, showSelection, text);
    c.clip = saved;
}

// A row of tabs over a framed body; the current tab stands out from the row.
void DrawTabs(Canvas& c, HWND h, RECT r, Rgb text) {
    constexpr LONG kTabRow = 21;
    Frame(c, RECT{r.left, r.top + kTabRow, r.right, r.bottom}, kButtonEdge);
    auto count = static_cast<int>(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0));
    auto current = static_cast<int>(SendMessageW(h, TCM_GETCURSEL, 0, 0));
    LONG x = r.left + 2;
    for (int i = 0; i < count; ++i) {
        WCHAR label[64] = {};
        TCITEMW item{TCIF_TEXT, 0, 0, label, 64, 0, 0};
        SendMessageW(h, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        LONG width = Text(nullptr, 0, 0, ParseMnemonic(label).shown, text) + kTabPadding;
        RECT tab{x, r.top + (i == current ? 0 : 2), x + width, r.top + kTabRow + (i == current ? 1 : 0)};
        Fill(c, tab, i == current ? kFace : kButtonFace);
        Frame(c, RECT{tab.left, tab.top, tab.right, tab.bottom + (i == current ? 0 : 1)}, kButtonEdge);
        if (i == current) Fill(c, RECT{tab.left + 1, tab.bottom - 1, tab.right - 1, tab.bottom}, kFace);
        LabelIn(c, RECT{tab.left + 6, tab.top, tab.right, tab.bottom}, label, text, 0);
        x += width;
    }
}

// Items with strings; owner-drawn items without them show only their rows.
// A list box's tab stop past x (pixels from the text's start): the stops set (dialog units of its
// dialog), the last one repeated at its own distance; without stops every 32 dialog units, as
// Windows spaces them.
LONG NextTabStop(HWND h, LONG x) {
    constexpr LONG kDefaultTabStop = 32;
    auto pixels = [h](LONG units) {
        RECT r{0, 0, units, 0};
        HWND dialog = GetParent(h);
        if (dialog && MapDialogRect(dialog, &r)) return r.right;
        return units * LOWORD(GetDialogBaseUnits()) / 4;
    };
    LONG previous = 0, step = pixels(kDefaultTabStop);
    for (WPARAM k = 0;; ++k) {
        const auto units = static_cast<LONG>(SendMessageW(h, kListTabStop, k, 0));
        if (units < 0) break;
        const LONG stop = pixels(units);
        if (stop > x) return stop;
        step = stop - previous > 0 ? stop - previous : step;
        previous = stop;
    }
    if (step <= 0) return x + 1;
    return previous + ((x - previous) / step + 1) * step;
}

// A line of a list box with LBS_USETABSTOPS: each piece after a tab starts at the next stop.
void ListTextAtTabs(Canvas& c, HWND h, RECT line, std::u16string_view label, Rgb color) {
    LONG x = 0;
    for (size_t start = 0; start <= label.size();) {
        const size_t tab = label.find(u'\t', start);
        const std::u16string_view piece =
            label.substr(start, tab == std::u16string_view::npos ? label.npos : tab - start);
        TextIn(c, RECT{line.left + x, line.top, line.right, line.bottom}, piece, color, 0);
        if (tab == std::u16string_view::npos) break;
        x = NextTabStop(h, x + Text(nullptr, 0, 0, piece, color));
        start = tab + 1;
    }
}

void DrawList(Canvas& c, HWND h, RECT r, Rgb text) {
    Fill(c, r, kWhite);
    Frame(c, r, kFieldEdge);
    auto count = static_cast<int>(SendMessageW(h, LB_GETCOUNT, 0, 0));
    auto selected = static_cast<int>(SendMessageW(h, LB_GETCURSEL, 0, 0));
    bool strings =
        !(GetWindowLongW(h, GWL_STYLE) & LBS_OWNERDRAWFIXED) || (GetWindowLongW(h, GWL_STYLE) & LBS_HASSTRINGS);
    for (int i = static_cast<int>(SendMessageW(h, LB_GETTOPINDEX, 0, 0)); i < count; ++i) {
        RECT row;
        if (SendMessageW(h, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&row)) != 0) break;
        RECT place{r.left + 1 + row.left, r.top + 1 + row.top, r.left + 1 + row.right, r.top + 1 + row.bottom};
        if (place.top >= r.bottom) break;
        if (!strings) {
            ULONG_PTR data = static_cast<ULONG_PTR>(SendMessageW(h, LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
            OwnerDraw(c, h, place, ODT_LISTBOX, static_cast<UINT>(i), data, i == selected ? ODS_SELECTED : 0);
            continue;
        }
        if (i == selected)
            Fill(c, RECT{place.left, place.top, place.right, std::min(place.bottom, r.bottom - 1)}, kHighlight);
        WCHAR label[256] = {};
        if (SendMessageW(h, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) >= 256) continue;
        SendMessageW(h, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(label));
        const RECT line{place.left + 2, place.top, place.right, place.bottom};
        const Rgb color = i == selected ? kWhite : text;
        // A line the list shows only in part is cut at the list's edge.
        const RECT saved = c.clip;
        c.clip.bottom = std::min(saved.bottom, r.bottom - 1);
        if (GetWindowLongW(h, GWL_STYLE) & LBS_USETABSTOPS) {
            ListTextAtTabs(c, h, line, label, color);
        } else {
            TextIn(c, line, label, color, 0);
        }
        c.clip = saved;
    }
}

// Drawing done through a memory DC of the place's size (the owner's drawing, an icon, a
// bitmap), copied into the picture.
template <typename Draw>
void ThroughDc(Canvas& c, RECT place, Draw draw) {
    LONG width = place.right - place.left, height = place.bottom - place.top;
    if (width <= 0 || height <= 0) return;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1)));
    draw(dc, all);
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x) {
            COLORREF p = GetPixel(dc, x, y);
            Blend(c, place.left + x, place.top + y, Rgb{BYTE(p), BYTE(p >> 8), BYTE(p >> 16)}, 255);
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// An owner-drawn control or item: the parent draws it, as it would on screen.
void OwnerDraw(Canvas& c, HWND h, RECT place, UINT type, UINT item, ULONG_PTR data, UINT state) {
    HWND parent = GetParent(h);
    if (parent == nullptr) return;
    ThroughDc(c, place, [&](HDC dc, RECT all) {
        DRAWITEMSTRUCT draw{type, static_cast<UINT>(GetDlgCtrlID(h)), item, ODA_DRAWENTIRE, state, h, dc, all, data};
        SendMessageW(parent, WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    });
}

// A static's icon or bitmap at its top-left corner, on the dialog's face.
void DrawPicture(Canvas& c, HWND h, RECT place, DWORD type) {
    HANDLE image =
        reinterpret_cast<HANDLE>(SendMessageW(h, STM_GETIMAGE, type == SS_ICON ? IMAGE_ICON : IMAGE_BITMAP, 0));
    if (image == nullptr) {
        Frame(c, place, kGroupEdge);  // nothing set yet: its place is shown
        return;
    }
    ThroughDc(c, place, [&](HDC dc, RECT all) {
        FillRect(dc, &all, reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_BTNFACE + 1)));
        if (type == SS_ICON) {
            DrawIconEx(dc, 0, 0, static_cast<HICON>(image), 0, 0, 0, nullptr, DI_NORMAL);
            return;
        }
        HDC source = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(source, image);
        BitBlt(dc, 0, 0, all.right, all.bottom, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    });
}

// Image `index` of a list at the left of its place, on the field's white, cut to the place.
void DrawListImage(Canvas& c, HIMAGELIST list, int index, RECT place) {
    int cx = 0, cy = 0;
    if (index < 0 || index >= ImageList_GetImageCount(list) || !ImageList_GetIconSize(list, &cx, &cy)) return;
    place.right = std::min<LONG>(place.right, place.left + cx);
    ThroughDc(c, place, [&](HDC dc, RECT) { ImageList_Draw(list, index, dc, 0, 0, ILD_TRANSPARENT); });
}

// Copies between the picture and a 24-bit bitmap (blue first) standing for `place` in it; the
// copy back is kept inside the picture's clip.
void CopyToBitmap(const Canvas& c, RECT place, HBITMAP bitmap) {
    SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(bitmap));
    if (so == nullptr) return;
    for (LONG y = 0; y < so->sizlBitmap.cy; ++y) {
        auto* row = static_cast<BYTE*>(so->pvScan0) + y * so->lDelta;
        for (LONG x = 0; x < so->sizlBitmap.cx; ++x) {
            LONG cx = place.left + x, cy = place.top + y;
            if (cx < 0 || cy < 0 || cx >= c.width || cy >= c.height) continue;
            const BYTE* p =
                &c.rgb[(static_cast<size_t>(cy) * static_cast<size_t>(c.width) + static_cast<size_t>(cx)) * 3];
            row[x * 3] = p[2], row[x * 3 + 1] = p[1], row[x * 3 + 2] = p[0];
        }
    }
    EngUnlockSurface(so);
}

void CopyFromBitmap(Canvas& c, RECT place, HBITMAP bitmap) {
    SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(bitmap));
    if (so == nullptr) return;
    for (LONG y = 0; y < so->sizlBitmap.cy; ++y) {
        const auto* row = static_cast<const BYTE*>(so->pvScan0) + y * so->lDelta;
        for (LONG x = 0; x < so->sizlBitmap.cx; ++x) {
            Blend(c, place.left + x, place.top + y, Rgb{row[x * 3 + 2], row[x * 3 + 1], row[x * 3]}, 255);
        }
    }
    EngUnlockSurface(so);
}

// A window that paints itself (a class the renderer does not draw, a control subclassed by its
// dialog, a dialog) gets WM_PAINT with its DCs drawing onto the picture as it stands under its
// client area, cut to that area.
void PaintSelf(Canvas& c, HWND h, POINT origin) {
    RECT client;
    POINT at{0, 0};
    if (!GetClientRect(h, &client) || !ClientToScreen(h, &at) || client.right <= 0 || client.bottom <= 0) return;
    RECT place{at.x - origin.x, at.y - origin.y, at.x - origin.x + client.right, at.y - origin.y + client.bottom};
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, client.right, client.bottom);
    if (bitmap == nullptr) return;
    CopyToBitmap(c, place, bitmap);
    BeginRenderPaint(h, bitmap);
    SendMessageW(h, WM_PAINT, 0, 0);
    EndRenderPaint(h);
    CopyFromBitmap(c, place, bitmap);
    DeleteObject(bitmap);
}

// A system control whose procedure its dialog replaced may paint over the control's own look.
bool Subclassed(HWND h) {
    WCHAR name[64];
    WNDCLASSW cls;
    if (!GetClassNameW(h, name, 64) || !GetClassInfoW(nullptr, name, &cls)) return false;
    return reinterpret_cast<LONG_PTR>(cls.lpfnWndProc) != GetWindowLongPtrW(h, GWLP_WNDPROC);
}

bool OwnerDrawnControl(HWND h, DWORD style, UINT& type) {
    if (IsClass(h, u"Button") && (style & BS_TYPEMASK) == BS_OWNERDRAW) return type = ODT_BUTTON, true;
    if (IsClass(h, u"Static") && (style & SS_TYPEMASK) == SS_OWNERDRAW) return type = ODT_STATIC, true;
    return false;
}

RECT Relative(HWND h, POINT origin) {
    RECT r;
    GetWindowRect(h, &r);
    return RECT{r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y};
}

void DrawChildren(Canvas& c, HWND parent, POINT origin);

void DrawControl(Canvas& c, HWND h, POINT origin) {
    DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    if (!(style & WS_VISIBLE)) return;
    RECT r = Relative(h, origin);
    Rgb text = (style & WS_DISABLED) ? kGreyText : kText;
    UINT ownerType = 0;
    bool paintsItself = false;
    if (OwnerDrawnControl(h, style, ownerType)) {
        OwnerDraw(c, h, r, ownerType, 0, 0, (style & WS_DISABLED) ? ODS_DISABLED : 0);
    } else if (IsClass(h, u"Button")) {
        DrawButton(c, h, r, style, text);
    } else if (IsClass(h, u"Edit")) {
        DrawEdit(c, h, r, text);
    } else if (IsClass(h, u"ComboBox")) {
        DrawCombo(c, h, r, text);
    } else if (IsClass(h, u"Static")) {
        DrawStatic(c, h, r, style, text);
    } else if (IsClass(h, u"SysTabControl32")) {
        DrawTabs(c, h, r, text);
    } else if (IsClass(h, u"SysTreeView32")) {
        DrawTree(c, h, r, text);
    } else if (IsClass(h, u"ListBox")) {
        DrawList(c, h, r, text);
    } else if (IsClass(h, WC_LISTVIEWW)) {
        DrawListView(c, h, r, text);
    } else if (IsClass(h, u"msctls_updown32")) {
        DrawUpDown(c, r, text);
    } else if (IsClass(h, u"ScrollBar")) {
        DrawScrollBar(c, h, r, style, text);
    } else {
        // A page (a child dialog) lies on the sheet's face already; other containers get theirs.
        if (!IsClass(h, u"#32770")) Fill(c, r, kFace);
        paintsItself = true;
    }
    if (paintsItself || Subclassed(h)) PaintSelf(c, h, origin);
    DrawChildren(c, h, origin);
}

void DrawChildren(Canvas& c, HWND parent, POINT origin) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DrawControl(c, child, origin);
    }
}

void DrawFrame(Canvas& c, HWND root) {
    DWORD style = static_cast<DWORD>(GetWindowLongW(root, GWL_STYLE));
    RECT all{0, 0, c.width, c.height};
    Fill(c, all, kFace);
    if ((style & WS_CAPTION) != WS_CAPTION) return;
    LONG frame = GetSystemMetrics(SM_CXDLGFRAME);
    Frame(c, all, kButtonEdge, 1);
    RECT caption{frame, frame, c.width - frame, frame + GetSystemMetrics(SM_CYCAPTION)};
    Fill(c, caption, kCaption);
    TextIn(c, RECT{caption.left + 5, caption.top, caption.right, caption.bottom}, WindowText(root), kCaptionText, 0);
}

bool Draw(HWND root, Canvas& c) {
    RECT bounds;
    if (!GetWindowRect(root, &bounds)) return false;
    c.width = std::clamp<LONG>(bounds.right - bounds.left, 1, kLargestPicture);
    c.height = std::clamp<LONG>(bounds.bottom - bounds.top, 1, kLargestPicture);
    c.rgb.assign(static_cast<size_t>(c.width) * static_cast<size_t>(c.height) * 3, 0);
    c.clip = RECT{0, 0, c.width, c.height};
    DrawFrame(c, root);
    PaintSelf(c, root, POINT{bounds.left, bounds.top});
    DrawChildren(c, root, POINT{bounds.left, bounds.top});
    return true;
}

// ---- Pop-up menus ----

constexpr LONG kMenuRow = 19, kMenuSeparator = 9, kMenuTextLeft = 22, kMenuTextRight = 24;

struct MenuLine {
    std::u16string text;
    UINT state;
};

std::vector<MenuLine> MenuLines(HMENU menu) {
    std::vector<MenuLine> lines;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        WCHAR text[256] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
        lines.push_back(MenuLine{text, GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION)});
    }
    return lines;
}

// A pop-up menu as it drops down: a framed column of items, each label with its mnemonic
// underlined, grey when disabled, a check mark before a checked one and an arrow after a
// pop-up; separators as an etched line.
bool DrawMenu(HMENU menu, Canvas& c) {
    if (GetMenuItemCount(menu) < 0) return false;
    const std::vector<MenuLine> lines = MenuLines(menu);
    LONG width = 0, height = 4;
    for (const MenuLine& l : lines) {
        width = std::max(width, Text(nullptr, 0, 0, ParseMnemonic(l.text).shown, kText));
        height += (l.state & MF_SEPARATOR) ? kMenuSeparator : kMenuRow;
    }
    c.width = std::clamp<LONG>(width + kMenuTextLeft + kMenuTextRight, 1, kLargestPicture);
    c.height = std::clamp<LONG>(height, 1, kLargestPicture);
    c.rgb.assign(static_cast<size_t>(c.width) * static_cast<size_t>(c.height) * 3, 0);
    c.clip = RECT{0, 0, c.width, c.height};
    Fill(c, RECT{0, 0, c.width, c.height}, kFace);
    Frame(c, RECT{0, 0, c.width, c.height}, kButtonEdge);
    LONG top = 2;
    for (const MenuLine& l : lines) {
        if (l.state & MF_SEPARATOR) {
            Fill(c, RECT{2, top + kMenuSeparator / 2, c.width - 2, top + kMenuSeparator / 2 + 1}, kGroupEdge);
            top += kMenuSeparator;
            continue;
        }
        const RECT row{2, top, c.width - 2, top + kMenuRow};
        const Rgb color = (l.state & (MF_GRAYED | MF_DISABLED)) ? kGreyText : kText;
        if (l.state & MF_CHECKED) CheckMark(c, RECT{5, top + 3, 18, top + 16});
        LabelIn(c, RECT{kMenuTextLeft, row.top, row.right - kMenuTextRight + 2, row.bottom}, l.text, color, 0);
        if (l.state & MF_POPUP) {
            // A pop-up's arrow points right: columns narrowing from its base.
            const LONG mid = (row.top + row.bottom) / 2;
            for (LONG i = 0; i < 4; ++i)
                Fill(c, RECT{row.right - 12 + i, mid - 3 + i, row.right - 11 + i, mid + 4 - i}, color);
        }
        top += kMenuRow;
    }
    return true;
}

// ---- Room for text ----

LONG Widest(const std::vector<std::u16string>& lines) {
    LONG widest = 0;
    for (const auto& line : lines) widest = std::max(widest, Text(nullptr, 0, 0, line, kText));
    return widest;
}

// A combo's entries: any of them may be the one shown in the closed field.
std::vector<std::u16string> ComboEntries(HWND h) {
    std::vector<std::u16string> entries;
    const auto count = SendMessageW(h, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto length = SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0 || length >= 512) continue;
        std::u16string entry(static_cast<size_t>(length) + 1, u'\0');
        SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry.data()));
        entry.resize(static_cast<size_t>(length));
        entries.push_back(entry);
    }
    return entries;
}

void MeasureButton(HWND h, LONG width, LONG height, PLAT_TEXT_ROOM& room) {
    const DWORD type = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)) & BS_TYPEMASK;
    room.needed = Text(nullptr, 0, 0, ParseMnemonic(WindowText(h)).shown, kText);
    room.lines = room.needed > 0 ? 1 : 0;
    room.linesAvailable = height >= kTextPixels ? 1 : 0;
    if (type == BS_OWNERDRAW) {
        room.needed = 0;
        room.lines = 0;
    } else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
        room.available = width - 2 * kButtonTextInset;
    } else if (type == BS_GROUPBOX) {
        room.available = width - kGroupCaptionLeft - kGroupCaptionRight;
    } else {
        room.available = width - kBoxTextOffset;
    }
}

// A static wraps: its text needs as many lines as the wrapping makes, each within the width.
void MeasureStatic(HWND h, LONG width, LONG height, PLAT_TEXT_ROOM& room) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    const DWORD type = style & SS_TYPEMASK;
    if (type == SS_ICON || type == SS_BITMAP || type == SS_ETCHEDHORZ || type == SS_BLACKRECT || type == SS_OWNERDRAW)
        return;
    const std::u16string raw = WindowText(h);
    const std::vector<std::u16string> lines = WrapLines((style & SS_NOPREFIX) ? raw : ParseMnemonic(raw).shown, width);
    room.needed = Widest(lines);
    room.available = width;
    room.lines = static_cast<LONG>(lines.size());
    room.linesAvailable = lines.size() <= 1 ? (height >= kTextPixels ? 1 : 0) : height / kLineHeight;
}

void MeasureCombo(HWND h, LONG width, LONG height, PLAT_TEXT_ROOM& room) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    const bool owner = (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0;
    const std::vector<std::u16string> entries = ComboEntries(h);
    room.needed = Widest(entries);
    // The owner's drawing place runs from inside the field's edge to the arrow; its own indent
    // (an icon before the text) is the owner's to add.
    room.available = width - kComboArrowWidth - (owner ? 2 : kFieldTextInset);
    room.lines = entries.empty() ? 0 : 1;
    room.linesAvailable = std::min(height, kTextPixels + 10) >= kTextPixels ? 1 : 0;
}

void MeasureTabs(HWND h, LONG width, LONG height, PLAT_TEXT_ROOM& room) {
    const auto count = static_cast<int>(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        WCHAR label[64] = {};
        TCITEMW item{TCIF_TEXT, 0, 0, label, 64, 0, 0};
        SendMessageW(h, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        room.needed += Text(nullptr, 0, 0, ParseMnemonic(label).shown, kText) + kTabPadding;
    }
    room.available = width - 4;
    room.lines = count > 0 ? 1 : 0;
    room.linesAvailable = height > 0 ? 1 : 0;
}

bool MeasureControl(HWND h, PLAT_TEXT_ROOM& room) {
    RECT r;
    if (!GetWindowRect(h, &r)) return false;
    const LONG width = r.right - r.left, height = r.bottom - r.top;
    room = PLAT_TEXT_ROOM{};
    if (IsClass(h, u"Button")) {
        MeasureButton(h, width, height, room);
    } else if (IsClass(h, u"Static")) {
        MeasureStatic(h, width, height, room);
    } else if (IsClass(h, u"ComboBox")) {
        MeasureCombo(h, width, height, room);
    } else if (IsClass(h, u"Edit")) {
        room.needed = Text(nullptr, 0, 0, WindowText(h), kText);
        room.available = width - kFieldTextInset - 2;
        room.lines = room.needed > 0 ? 1 : 0;
        room.linesAvailable = height >= kTextPixels ? 1 : 0;
    } else if (IsClass(h, u"SysTabControl32")) {
        MeasureTabs(h, width, height, room);
    }
    return true;
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

DWORD PlatRenderWindow(HWND root, BYTE* rgb, DWORD size, LONG* width, LONG* height) {
    Canvas c;
    if (!Draw(root, c)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (width) *width = c.width;
    if (height) *height = c.height;
    if (rgb != nullptr && size >= c.rgb.size()) std::copy(c.rgb.begin(), c.rgb.end(), rgb);
    return static_cast<DWORD>(c.rgb.size());
}

BOOL PlatRenderMenuToPng(HMENU menu, const char* hostPath) {
    Canvas c;
    if (!DrawMenu(menu, c)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return PlatWritePngFile(hostPath, c.width, c.height, 3, c.rgb.data());
}

DWORD PlatRenderMenu(HMENU menu, BYTE* rgb, DWORD size, LONG* width, LONG* height) {
    Canvas c;
    if (!DrawMenu(menu, c)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (width) *width = c.width;
    if (height) *height = c.height;
    if (rgb != nullptr && size >= c.rgb.size()) std::copy(c.rgb.begin(), c.rgb.end(), rgb);
    return static_cast<DWORD>(c.rgb.size());
}

BOOL PlatMeasureControlText(HWND control, PLAT_TEXT_ROOM* room) {
    if (room == nullptr || !MeasureControl(control, *room)) {
        SetLastError(room ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

LONG PlatMeasureText(LPCWSTR text) {
    return text ? Text(nullptr, 0, 0, text, kText) : 0;
}

BOOL PlatWritePngFile(const char* hostPath, LONG width, LONG height, int channels, const BYTE* pixels) {
    if (hostPath == nullptr || pixels == nullptr || width <= 0 || height <= 0 || (channels != 1 && channels != 3)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = channels == 1 ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, hostPath, 0, pixels, width * channels, nullptr)) {
        png_image_free(&image);
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    return TRUE;
}

BOOL PlatRenderWindowToPng(HWND root, const char* hostPath) {
    Canvas c;
    if (!Draw(root, c)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PlatWritePngFile(hostPath, c.width, c.height, 3, c.rgb.data());
}

}  // extern "C"
