// ui_runner sheet: DrvDocumentProperties with DM_PROMPT (devsheet: PrinterProperties), the
// user's turns taken from a script of actions separated by ";". "page ID" shows the page of that template, "choose",
// "set", "click", "drag" and "key" work the controls of the window in front as a user would (the page shown, or a
// dialog a page opened: the window sees the notifications a user's action sends), "answer" gives the next message box
// its button, "ok" and "cancel" press the front window's buttons. A control, item or value the window does not have
// stops the run with a message and cancels, never skipped.
#include "tools/ui_runner/sheet_command.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <span>
#include <sstream>
#include <vector>

#include "plat/host_text.h"
#include "plat/message_box.h"
#include "plat/window_render.h"
#include "plat/window_test.h"
#include "resources/lang/basic_page_ids.h"
#include "resources/lang/device_page_ids.h"
#include "resources/lang/device_tables_ids.h"
#include "resources/lang/favourites_ids.h"
#include "resources/lang/job_settings_ids.h"
#include "resources/lang/layout_detail_ids.h"
#include "resources/lang/sheet_ids.h"
#include "resources/lang/stamp_editor_ids.h"
#include "resources/lang/stamp_page_ids.h"
#include "resources/lang/summary_ids.h"
#include "tools/print_runner/print_runner.h"
#include "win/list_view.h"
#include "win/property_sheet.h"
#include "win/tree_view.h"
#include "win/user_controls.h"

namespace {

// Document pages in the sheet's order, by template id.
constexpr unsigned kPageOrder[] = {orla_res::kTemplateBasicPage, orla_res::kTemplatePaperSourcePage,
                                   orla_res::kTemplateImagePage, orla_res::kTemplateStampPage,
                                   orla_res::kTemplateOptionListPage};
// Device pages in the device sheet's order.
constexpr unsigned kDevicePageOrder[] = {orla_res::device_page::kTemplateSettings,
                                         orla_res::device_page::kTemplateOptions};
namespace basic = orla_res::basic_page;
namespace device = orla_res::device_page;
constexpr int kRestoreDefaultsButton = basic::kRestoreDefaults;

// ---- Controls by name --------------------------------------------------------------------------

enum class Kind { Combo, Edit, Check, Radio, Button, ListView, Tree };

struct ControlName {
    const char* name;
    int id;
    Kind kind;
};

// The basic page's controls by the names a script uses.
constexpr ControlName kControls[] = {
    {"Paper", basic::kPaperSize, Kind::Combo},
    {"OutputPaper", basic::kOutputPaper, Kind::Combo},
    {"Portrait", basic::kPortrait, Kind::Radio},
    {"Landscape", basic::kLandscape, Kind::Radio},
    {"Copies", basic::kCopies, Kind::Edit},
    {"FreeZoom", basic::kFreeZoom, Kind::Check},
    {"Zoom", basic::kZoom, Kind::Edit},
    {"Duplex", basic::kDuplex, Kind::Combo},
    {"Binding", basic::kBinding, Kind::Combo},
    {"Layout", basic::kLayout, Kind::Combo},
    {"Frame", basic::kFrame, Kind::Combo},
    {"Order", basic::kOrder, Kind::Combo},
    {"SavePaper", basic::kSavePaper, Kind::Check},
    {"EntryMode", basic::kEntryMode, Kind::Combo},
    {"RestoreDefaults", kRestoreDefaultsButton, Kind::Button},
    {"GetConfiguration", basic::kGetConfiguration, Kind::Button},
    // The device settings page's.
    {"TrueTypeTable", device::kTrueTypeTable, Kind::Button},
    {"OutPaperTable", device::kOutPaperTable, Kind::Button},
    {"AccountSettings", device::kAccountSettings, Kind::Button},
};

// A radio group set by the name of one of its buttons: "set Orientation Landscape".
struct GroupName {
    const char* name;
    const char* members[2];
};
constexpr GroupName kGroups[] = {{"Orientation", {"Portrait", "Landscape"}}};

// The dialogs the page's buttons (and the dialogs' own) open, by the button and, where two windows
// give one id to different buttons, the page or dialog it is on (0: any): the front dialog's
// picture is named by its template.
struct OpenedDialog {
    int button;
    unsigned dialog;
    unsigned on = 0;
};
namespace stamp = orla_res::stamp_page;
constexpr OpenedDialog kOpenedDialogs[] = {
    {basic::kAddFavourite, orla_res::favourites::kTemplateSave},
    {basic::kEditFavourite, orla_res::favourites::kTemplateManage},
    {basic::kLayoutDetails, orla_res::layout_detail::kTemplate},
    {basic::kSummary, orla_res::summary::kTemplateSummary},
    {basic::kSummaryItem, orla_res::summary::kTemplateSummary},
    {basic::kGetConfiguration, orla_res::kTemplateConfigRetrieval},
    {orla_res::favourites::kRegister, orla_res::favourites::kTemplateDetails},
    {device::kTrueTypeTable, orla_res::device_tables::kTemplateTrueTypeSubst},
    {device::kOutPaperTable, orla_res::device_tables::kTemplateOutPaper},
    {device::kAccountSettings, device::kTemplateAccount},
    {orla_res::job_settings::kStampEdit, orla_res::stamp_editor::kTemplateJobStamp, orla_res::job_settings::kTemplate},
    {stamp::kNewStamp, orla_res::stamp_editor::kTemplateNewStamp, stamp::kTemplatePage},
    {stamp::kEditStamp, orla_res::stamp_editor::kTemplateEditStamp, stamp::kTemplatePage},
    {stamp::kAnnotation, stamp::kTemplateAnnotation, stamp::kTemplatePage},
    {stamp::kOverlayInfo, stamp::kTemplateOverlayInfo, stamp::kTemplatePage},
};

// The print-time dialogs that come up on their own at the start of a job, known by a control only
// they have.
namespace js = orla_res::job_settings;
struct DialogMark {
    unsigned dialog;
    int control;
};
constexpr DialogMark kDialogMarks[] = {
    {js::kTemplate, js::kCategories},
    {kAccountPopup.dialog, kAccountPopup.userId},
};

// Dialogs whose OK and Cancel buttons are not IDOK and IDCANCEL.
struct EndButtons {
    unsigned dialog;
    int ok, cancel;
};
constexpr EndButtons kEndButtons[] = {
    {js::kTemplate, js::kOk, js::kClose},
    {kAccountPopup.dialog, kAccountPopup.ok, kAccountPopup.cancel},
    {kAccountPopup.asteriskDialog, kAccountPopup.ok, kAccountPopup.cancel},
    {device::kTemplateAccount, device::kAccountOk, device::kAccountCancel},
};

// Keys a script presses by name.
struct KeyName {
    const char* name;
    UINT vk;
};
constexpr KeyName kKeys[] = {{"Delete", VK_DELETE}, {"Enter", VK_RETURN}, {"Escape", VK_ESCAPE}, {"Space", VK_SPACE},
                             {"Home", VK_HOME},     {"End", VK_END},      {"Up", VK_UP},         {"Down", VK_DOWN},
                             {"Left", VK_LEFT},     {"Right", VK_RIGHT},  {"Tab", VK_TAB}};

// What a script does to a scroll bar, by name: an arrow, the track on either side of the thumb,
// the thumb dragged to a position, an end reached from the keyboard, or only the release. A bar
// of either direction takes either name of a code.
struct ScrollName {
    const char* name;
    int code;
    bool takesPosition;
};
constexpr ScrollName kScrolls[] = {
    {"left", SB_LINELEFT, false},   {"right", SB_LINERIGHT, false},   {"up", SB_LINEUP, false},
    {"down", SB_LINEDOWN, false},   {"pageleft", SB_PAGELEFT, false}, {"pageright", SB_PAGERIGHT, false},
    {"pageup", SB_PAGEUP, false},   {"pagedown", SB_PAGEDOWN, false}, {"thumb", SB_THUMBPOSITION, true},
    {"track", SB_THUMBTRACK, true}, {"home", SB_LEFT, false},         {"end", SB_RIGHT, false},
    {"top", SB_TOP, false},         {"bottom", SB_BOTTOM, false},     {"endscroll", SB_ENDSCROLL, false},
};

// ---- The script --------------------------------------------------------------------------------

struct Action {
    std::string verb;
    std::string control;  // choose, set, click: a name of the tables above or a control id
    std::string value;    // page: the template id; choose: the item's text; set: the value
};

// A dialog in front of the sheet: its window and its template (0 when no button names it).
struct FrontDialog {
    HWND window;
    unsigned id;
};

struct Script {
    std::vector<Action> actions;
    size_t next = 0;
    SheetRequest request;
    bool started = false;
    HWND sheet = nullptr;
    HWND front = nullptr;  // the window the next action works in: the sheet or a dialog
    std::vector<FrontDialog> dialogs;
    int lastClicked = 0;
    unsigned lastClickedOn = 0;  // the page or dialog of the last click
    bool changedSincePicture = false;
    unsigned pageShown = 0;
    bool okPressed = false;
    bool failed = false;
    bool popupAnswered = false;
};

bool SameName(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

const ControlName* FindControl(const std::string& name) {
    for (const ControlName& c : kControls)
        if (SameName(name, c.name)) return &c;
    return nullptr;
}

const GroupName* FindGroup(const std::string& name) {
    for (const GroupName& g : kGroups)
        if (SameName(name, g.name)) return &g;
    return nullptr;
}

// A control id given as a number: its kind is read from the window's class when it is used.
bool IsControlId(const std::string& text, int& id) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v <= 0 || v > 0xFFFF) return false;
    id = static_cast<int>(v);
    return true;
}

bool KnownControl(const std::string& name) {
    int id = 0;
    return FindControl(name) || FindGroup(name) || IsControlId(name, id);
}

bool TakesControl(const std::string& verb) {
    return verb == "choose" || verb == "set" || verb == "click" || verb == "drag" || verb == "key" || verb == "scroll";
}

bool KnownVerb(const std::string& verb) {
    return verb == "page" || verb == "category" || verb == "ok" || verb == "cancel" || verb == "answer" ||
           TakesControl(verb);
}

const KeyName* FindKey(const std::string& name) {
    for (const KeyName& k : kKeys)
        if (SameName(name, k.name)) return &k;
    return nullptr;
}

// "NAME" or "NAME N" of the scroll table: the code and, for the thumb codes, the position.
bool ParseScroll(const std::string& text, int& code, int& position) {
    std::stringstream words(text);
    std::string name, rest;
    words >> name;
    for (const ScrollName& s : kScrolls) {
        if (!SameName(name, s.name)) continue;
        code = s.code;
        position = 0;
        if (s.takesPosition) {
            std::string number;
            if (!(words >> number)) return false;
            char* end = nullptr;
            const long n = std::strtol(number.c_str(), &end, 10);
            if (*end || n < 0 || n > 0xFFFF) return false;  // WM_HSCROLL carries 16 bits of it
            position = static_cast<int>(n);
        }
        return !(words >> rest);
    }
    return false;
}

// "X,Y X,Y": two points in the control's client coordinates.
bool ParsePoints(const std::string& text, POINT& from, POINT& to) {
    long x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%ld,%ld %ld,%ld %c", &x1, &y1, &x2, &y2, &rest) != 4) return false;
    from = POINT{static_cast<LONG>(x1), static_cast<LONG>(y1)};
    to = POINT{static_cast<LONG>(x2), static_cast<LONG>(y2)};
    return true;
}

// The value each verb takes, checked before anything runs.
bool ValueFits(const Action& a) {
    POINT from{}, to{};
    if (a.verb == "drag") return ParsePoints(a.value, from, to);
    if (a.verb == "key") return FindKey(a.value) != nullptr;
    int code = 0, position = 0;
    if (a.verb == "scroll") return ParseScroll(a.value, code, position);
    if (a.verb == "answer") return SameName(a.value, "ok") || SameName(a.value, "cancel");
    return true;
}

bool ParseAction(const std::string& part, Action& a) {
    std::stringstream words(part);
    words >> a.verb;
    if (TakesControl(a.verb)) words >> a.control;
    std::getline(words >> std::ws, a.value);
    while (!a.value.empty() && a.value.back() == ' ') a.value.pop_back();
    if (!KnownVerb(a.verb)) {
        std::fprintf(stderr,
                     "ui_runner: unknown action \"%s\" (page, category, choose, set, click, drag, key, scroll, answer, "
                     "ok, cancel)\n",
                     a.verb.c_str());
        return false;
    }
    if (TakesControl(a.verb) && !KnownControl(a.control)) {
        std::fprintf(stderr, "ui_runner: no control named \"%s\" (%s)\n", a.control.c_str(), SheetScriptUsage());
        return false;
    }
    if (a.verb != "ok" && a.verb != "cancel" && a.verb != "click" && a.value.empty()) {
        std::fprintf(stderr, "ui_runner: \"%s\" needs a value\n", part.c_str());
        return false;
    }
    if (!ValueFits(a)) {
        std::fprintf(stderr,
                     "ui_runner: \"%s\": drag takes X,Y X,Y, key a key name (Delete, Enter, End...), "
                     "scroll left|right|pageleft|pageright|thumb N|track N|home|end|endscroll (or up, down, "
                     "pageup, pagedown, top, bottom), answer ok or cancel\n",
                     part.c_str());
        return false;
    }
    return true;
}

bool Parse(const std::string& text, std::vector<Action>& out) {
    std::stringstream all(text);
    std::string part;
    while (std::getline(all, part, ';')) {
        if (part.find_first_not_of(" \t") == std::string::npos) continue;
        Action a;
        if (!ParseAction(part, a)) return false;
        out.push_back(a);
    }
    return true;
}

// ---- Pages and pictures ------------------------------------------------------------------------

// The pages of the sheet the script runs, in their order.
std::span<const unsigned> PageOrder(const SheetRequest& request) {
    if (request.deviceSheet) return kDevicePageOrder;
    return kPageOrder;
}

int PageIndex(std::span<const unsigned> order, const std::string& id) {
    for (size_t i = 0; i < order.size(); ++i) {
        if (std::to_string(order[i]) == id) return static_cast<int>(i);
    }
    return -1;
}

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// The template of the page shown, found by its place among the sheet's pages; 0 when none is shown.
unsigned CurrentTemplate(HWND sheet, std::span<const unsigned> order) {
    const HWND shown = CurrentPage(sheet);
    for (size_t i = 0; shown && i < order.size(); ++i)
        if (reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, i, 0)) == shown) return order[i];
    return 0;
}

void WritePicture(Script& s, HWND sheet) {
    s.changedSincePicture = false;
    if (s.request.pngDir.empty()) return;
    const std::string path = s.request.pngDir + "/page_" + std::to_string(s.pageShown) + ".png";
    if (!PlatRenderWindowToPng(sheet, path.c_str()))
        std::fprintf(stderr, "ui_runner: cannot write %s\n", path.c_str());
    else
        std::printf("wrote %s\n", path.c_str());
}

// The dialog in front, drawn as dialog_ID.png each time the script worked in it (the last picture
// shows it as the script left it).
void WriteDialogPicture(const Script& s) {
    if (s.request.pngDir.empty() || s.dialogs.empty()) return;
    const std::string path = s.request.pngDir + "/dialog_" + std::to_string(s.dialogs.back().id) + ".png";
    if (!PlatRenderWindowToPng(s.dialogs.back().window, path.c_str()))
        std::fprintf(stderr, "ui_runner: cannot write %s\n", path.c_str());
    else
        std::printf("wrote %s\n", path.c_str());
}

// The window the turn came from is the one in front: a dialog opened by the last click is pushed,
// one that closed is popped. Without a sheet the first dialog is the one opened on its own.
void WriteCategoryPicture(const Script& s, HWND dialog);

void TrackFront(Script& s, HWND window) {
    while (!s.dialogs.empty() && (s.dialogs.back().window != window && !IsWindow(s.dialogs.back().window)))
        s.dialogs.pop_back();
    s.front = window;
    if (window == s.sheet || (!s.dialogs.empty() && s.dialogs.back().window == window)) return;
    unsigned id = s.dialogs.empty() && !s.sheet ? s.request.dialog : 0;
    for (const OpenedDialog& o : kOpenedDialogs)
        if (o.button == s.lastClicked && (o.on == 0 || o.on == s.lastClickedOn)) id = o.dialog;
    for (const DialogMark& m : kDialogMarks)
        if (id == 0 && GetDlgItem(window, m.control)) id = m.dialog;
    s.dialogs.push_back(FrontDialog{window, id});
    std::printf("dialog %u in front\n", id);
    // The print-time dialog opens on a category of its own: a visited one too.
    if (id == js::kTemplate) WriteCategoryPicture(s, window);
}

// ---- Acting on controls ------------------------------------------------------------------------

struct Target {
    HWND window = nullptr;
    Kind kind = Kind::Button;
};

std::u16string ClassOf(HWND control) {
    PLAT_CONTROL_STATE state{};
    if (!PlatReadControl(control, &state)) return {};
    return std::u16string(state.className);
}

// The kind of a control named by its id, from its window class and style.
Kind KindOf(HWND control) {
    const std::u16string cls = ClassOf(control);
    if (cls == u"ComboBox" || cls == u"ListBox") return Kind::Combo;
    if (cls == std::u16string(WC_LISTVIEWW)) return Kind::ListView;
    if (cls == std::u16string(WC_TREEVIEWW)) return Kind::Tree;
    if (cls == u"Edit") return Kind::Edit;
    if (cls != u"Button") return Kind::Button;
    const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX) return Kind::Check;
    if (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON) return Kind::Radio;
    return Kind::Button;
}

// A control of the window in front: the page shown (the names are the basic page's), or the
// dialog in front (by id).
bool Find(const Script& s, const std::string& name, Target& t) {
    int id = 0;
    const bool inDialog = s.front && s.front != s.sheet;
    const ControlName* named = inDialog ? nullptr : FindControl(name);
    if (!named && !IsControlId(name, id)) {
        if (inDialog) std::fprintf(stderr, "ui_runner: a dialog's controls go by id, not \"%s\"\n", name.c_str());
        return false;
    }
    if (named) id = named->id;
    t.window = GetDlgItem(inDialog ? s.front : CurrentPage(s.sheet), id);
    if (!t.window) {
        if (inDialog)
            std::fprintf(stderr, "ui_runner: dialog %u has no control %s\n", s.dialogs.back().id, name.c_str());
        else
            std::fprintf(stderr, "ui_runner: page %u has no control %s (id %d)\n",
                         CurrentTemplate(s.sheet, PageOrder(s.request)), name.c_str(), id);
        return false;
    }
    t.kind = named ? named->kind : KindOf(t.window);
    return true;
}

std::string ItemText(HWND control, bool combo, int index) {
    const UINT lengthMessage = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    const LRESULT length = SendMessageW(control, lengthMessage, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    SendMessageW(control, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return plat::Utf16ToUtf8(text);
}

std::string Quoted(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) out += (out.empty() ? "\"" : ", \"") + t + "\"";
    return out.empty() ? "none" : out;
}

// The item shown as `wanted`, else the shortest item whose text starts with it followed by a
// blank ("B5" picks "B5 (JIS)" over "B5 (JIS) 横" and "B5 (ISO) Extra"); -1 when none is, or
// when two such items are equally short.
int FindItem(HWND control, const std::string& wanted, std::string& shown) {
    const bool combo = ClassOf(control) == u"ComboBox";
    const LRESULT count = SendMessageW(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    std::vector<std::string> items, shortest;
    int pick = -1;
    for (int i = 0; i < count; ++i) {
        items.push_back(ItemText(control, combo, i));
        const std::string& text = items.back();
        if (text == wanted) {
            shown = text;
            return i;
        }
        if (text.size() <= wanted.size() || text.compare(0, wanted.size(), wanted) != 0 || text[wanted.size()] != ' ')
            continue;
        if (!shortest.empty() && text.size() > shortest.front().size()) continue;
        if (!shortest.empty() && text.size() < shortest.front().size()) shortest.clear();
        shortest.push_back(text);
        pick = i;
    }
    if (shortest.size() == 1) {
        shown = shortest.front();
        return pick;
    }
    if (shortest.size() > 1)
        std::fprintf(stderr, "ui_runner: \"%s\" could be %s\n", wanted.c_str(), Quoted(shortest).c_str());
    else
        std::fprintf(stderr, "ui_runner: no item \"%s\"; the items are %s\n", wanted.c_str(), Quoted(items).c_str());
    return -1;
}

std::string ListViewItemText(HWND view, int index) {
    WCHAR text[260] = {};
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = 260;
    const LRESULT n = SendMessageW(view, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return plat::Utf16ToUtf8(std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0));
}

// A list view's item by its text, clicked.
bool ChooseListViewItem(const Target& t, const Action& a) {
    const auto count = static_cast<int>(SendMessageW(t.window, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::string> items;
    for (int i = 0; i < count; ++i) {
        items.push_back(ListViewItemText(t.window, i));
        if (items.back() != a.value) continue;
        SendMessageW(t.window, LVM_ENSUREVISIBLE, static_cast<WPARAM>(i), FALSE);  // scrolled to, as a user would
        if (!PlatClickListItem(t.window, i)) break;
        std::printf("chose %s \"%s\"\n", a.control.c_str(), a.value.c_str());
        return true;
    }
    std::fprintf(stderr, "ui_runner: no item \"%s\" to click; the items are %s\n", a.value.c_str(),
                 Quoted(items).c_str());
    return false;
}

std::string TreeItemText(HWND tree, HTREEITEM item) {
    WCHAR text[260] = {};
    TVITEMW read{};
    read.mask = TVIF_TEXT;
    read.hItem = item;
    read.pszText = text;
    read.cchTextMax = 260;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&read));
    return plat::Utf16ToUtf8(text);
}

// The first row, depth first, whose text is the value or begins with it followed by a blank
// (a summary row reads "Label <value>").
HTREEITEM FindTreeRow(HWND tree, HTREEITEM from, const std::string& wanted, std::vector<std::string>& seen) {
    for (HTREEITEM item = from; item; item = reinterpret_cast<HTREEITEM>(SendMessageW(
                                          tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        const std::string text = TreeItemText(tree, item);
        seen.push_back(text);
        if (text == wanted ||
            (text.size() > wanted.size() && text.compare(0, wanted.size(), wanted) == 0 && text[wanted.size()] == ' '))
            return item;
        const auto child = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
        if (HTREEITEM found = child ? FindTreeRow(tree, child, wanted, seen) : nullptr) return found;
    }
    return nullptr;
}

bool ChooseTreeRow(const Target& t, const Action& a) {
    std::vector<std::string> seen;
    const auto root = reinterpret_cast<HTREEITEM>(SendMessageW(t.window, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    HTREEITEM row = root ? FindTreeRow(t.window, root, a.value, seen) : nullptr;
    if (!row) {
        std::fprintf(stderr, "ui_runner: no row \"%s\"; the rows are %s\n", a.value.c_str(), Quoted(seen).c_str());
        return false;
    }
    SendMessageW(t.window, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(row));
    if (!PlatChooseTreeItem(t.window, row)) {
        std::fprintf(stderr, "ui_runner: row \"%s\" cannot be clicked\n", a.value.c_str());
        return false;
    }
    std::printf("chose %s \"%s\"\n", a.control.c_str(), TreeItemText(t.window, row).c_str());
    return true;
}

bool Choose(const Target& t, const Action& a) {
    if (t.kind == Kind::ListView) return ChooseListViewItem(t, a);
    if (t.kind == Kind::Tree) return ChooseTreeRow(t, a);
    if (t.kind != Kind::Combo) {
        std::fprintf(stderr, "ui_runner: %s is not a list to choose from\n", a.control.c_str());
        return false;
    }
    std::string shown;
    const int index = FindItem(t.window, a.value, shown);
    if (index < 0) return false;
    if (!PlatChoose(t.window, index)) {
        std::fprintf(stderr, "ui_runner: %s cannot be chosen from (hidden or disabled)\n", a.control.c_str());
        return false;
    }
    std::printf("chose %s \"%s\"\n", a.control.c_str(), shown.c_str());
    return true;
}

// "on"/"off" for a check box or a radio button; -1 for anything else.
int Switch(const std::string& value) {
    for (const char* on : {"on", "1", "checked", "yes"})
        if (SameName(value, on)) return BST_CHECKED;
    for (const char* off : {"off", "0", "unchecked", "no"})
        if (SameName(value, off)) return BST_UNCHECKED;
    return -1;
}

bool Click(const Target& t, const std::string& name) {
    if (PlatClick(t.window)) return true;
    std::fprintf(stderr, "ui_runner: %s cannot be clicked (hidden or disabled)\n", name.c_str());
    return false;
}

bool SetButton(const Target& t, const Action& a) {
    const int wanted = Switch(a.value);
    if (wanted < 0 || (t.kind == Kind::Radio && wanted == BST_UNCHECKED)) {
        std::fprintf(stderr, "ui_runner: %s takes %s, not \"%s\"\n", a.control.c_str(),
                     t.kind == Kind::Radio ? "on" : "on or off", a.value.c_str());
        return false;
    }
    PLAT_CONTROL_STATE state{};
    PlatReadControl(t.window, &state);
    if (state.checked != wanted && !Click(t, a.control)) return false;
    std::printf("set %s %s\n", a.control.c_str(), wanted == BST_CHECKED ? "on" : "off");
    return true;
}

bool SetGroup(const Script& s, const GroupName& group, const Action& a) {
    for (const char* member : group.members) {
        Target t;
        if (!SameName(a.value, member) || !Find(s, member, t)) continue;
        if (!Click(t, member)) return false;
        std::printf("set %s %s\n", group.name, member);
        return true;
    }
    std::fprintf(stderr, "ui_runner: %s takes %s or %s, not \"%s\"\n", group.name, group.members[0], group.members[1],
                 a.value.c_str());
    return false;
}

bool Set(const Script& s, const Action& a) {
    if (const GroupName* group = FindGroup(a.control)) return SetGroup(s, *group, a);
    Target t;
    if (!Find(s, a.control, t)) return false;
    switch (t.kind) {
        case Kind::Combo:
            // A combo with its own edit takes typed text; a list takes one of its items.
            if (ClassOf(t.window) == u"ComboBox" &&
                (GetWindowLongW(t.window, GWL_STYLE) & CBS_DROPDOWNLIST) == CBS_DROPDOWN)
                break;
            return Choose(t, a);
        case Kind::ListView:
        case Kind::Tree:
            return Choose(t, a);
        case Kind::Check:
        case Kind::Radio:
            return SetButton(t, a);
        case Kind::Edit:
            break;
        case Kind::Button:
            std::fprintf(stderr, "ui_runner: %s is a button: click it\n", a.control.c_str());
            return false;
    }
    // An edit, or a combo's own edit: the text typed over what it showed.
    const std::u16string text = plat::Utf8ToUtf16(a.value);
    if (!PlatType(t.window, text.c_str())) {
        std::fprintf(stderr, "ui_runner: %s cannot be typed in (hidden or disabled)\n", a.control.c_str());
        return false;
    }
    std::printf("set %s %s\n", a.control.c_str(), a.value.c_str());
    return true;
}

// A list view's item dragged from one point onto another (the view tells its parent the drag
// began, the parent follows the mouse); any other control gets the mouse pressed, moved and let go.
bool Drag(const Target& t, const Action& a) {
    POINT from{}, to{};
    ParsePoints(a.value, from, to);
    bool done = false;
    if (t.kind == Kind::ListView) {
        LVHITTESTINFO hit{};
        hit.pt = from;
        const auto item = static_cast<int>(SendMessageW(t.window, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        done = item >= 0 && PlatDragListItem(t.window, item) && PlatMouseMove(t.window, to.x, to.y) &&
               PlatMouseRelease(t.window, to.x, to.y);
        if (item < 0)
            std::fprintf(stderr, "ui_runner: no item of %s at %ld,%ld\n", a.control.c_str(), static_cast<long>(from.x),
                         static_cast<long>(from.y));
    } else {
        done = PlatMouseDrag(t.window, from.x, from.y, to.x, to.y, 4);
    }
    if (!done) {
        std::fprintf(stderr, "ui_runner: %s cannot be dragged there\n", a.control.c_str());
        return false;
    }
    std::printf("dragged %s %s\n", a.control.c_str(), a.value.c_str());
    return true;
}

bool PressKey(const Target& t, const Action& a) {
    if (!PlatPressKey(t.window, FindKey(a.value)->vk)) {
        std::fprintf(stderr, "ui_runner: %s takes no key (hidden or disabled)\n", a.control.c_str());
        return false;
    }
    std::printf("pressed %s on %s\n", a.value.c_str(), a.control.c_str());
    return true;
}

// A scroll bar worked as a user works it; its position as its owner left it is printed.
bool Scroll(const Target& t, const Action& a) {
    int code = 0, position = 0;
    ParseScroll(a.value, code, position);
    if (ClassOf(t.window) != u"ScrollBar" || !PlatScroll(t.window, code, position)) {
        std::fprintf(stderr, "ui_runner: %s cannot be scrolled (not a scroll bar, hidden or disabled)\n",
                     a.control.c_str());
        return false;
    }
    std::printf("scrolled %s %s: position %d\n", a.control.c_str(), a.value.c_str(), GetScrollPos(t.window, SB_CTL));
    return true;
}

bool ActOnControl(Script& s, const Action& a) {
    if (a.verb == "set") return Set(s, a);
    Target t;
    if (!Find(s, a.control, t)) return false;
    if (a.verb == "choose") return Choose(t, a);
    if (a.verb == "drag") return Drag(t, a);
    if (a.verb == "key") return PressKey(t, a);
    if (a.verb == "scroll") return Scroll(t, a);
    s.lastClicked = GetDlgCtrlID(t.window);
    s.lastClickedOn = s.front == s.sheet   ? CurrentTemplate(s.sheet, PageOrder(s.request))
                      : !s.dialogs.empty() ? s.dialogs.back().id
                                           : 0;
    if (!Click(t, a.control)) return false;
    std::printf("clicked %s\n", a.control.c_str());
    return true;
}

// ---- The user's turns --------------------------------------------------------------------------

// The front window's Cancel: its own cancel button, else the close box (a dialog without a
// Cancel button takes IDCANCEL as its close box's command). TRUE once it is asked to close, so a
// run never waits on a window it could not close.
BOOL PressCancel(const Script& s, HWND front) {
    int button = IDCANCEL;
    for (const EndButtons& b : kEndButtons)
        if (!s.dialogs.empty() && s.dialogs.back().window == front && s.dialogs.back().id == b.dialog)
            button = b.cancel;
    if (PlatPressButton(front, button)) return TRUE;
    SendMessageW(front, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

BOOL Stop(Script& s, HWND front) {
    s.failed = true;
    return PressCancel(s, front);
}

BOOL ShowPage(Script& s, HWND sheet, const Action& a) {
    const std::span<const unsigned> order = PageOrder(s.request);
    const int index = PageIndex(order, a.value);
    if (index < 0) {
        std::fprintf(stderr, "ui_runner: no page %s on the %s sheet\n", a.value.c_str(),
                     s.request.deviceSheet ? "device" : "document");
        return Stop(s, sheet);
    }
    SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    const unsigned was = s.pageShown;
    s.pageShown = CurrentTemplate(sheet, order);
    if (s.pageShown != order[static_cast<size_t>(index)]) {
        std::fprintf(stderr, "ui_runner: the sheet stayed on page %u (the page refused to be left)\n", s.pageShown);
        return Stop(s, sheet);
    }
    if (s.pageShown != was || s.changedSincePicture) WritePicture(s, sheet);
    return TRUE;
}

// The sheet's OK or Cancel, or the dialog in front's.
BOOL PressEnd(Script& s, const Action& a) {
    int button = a.verb == "ok" ? IDOK : IDCANCEL;
    if (s.front != s.sheet) {
        for (const EndButtons& b : kEndButtons)
            if (!s.dialogs.empty() && s.dialogs.back().id == b.dialog) button = a.verb == "ok" ? b.ok : b.cancel;
        WriteDialogPicture(s);
        return PlatPressButton(s.front, button);
    }
    // The page as the script left it, before the sheet closes.
    if (s.changedSincePicture) WritePicture(s, s.sheet);
    s.okPressed = s.okPressed || button == IDOK;
    return PlatPressButton(s.sheet, button);
}

// The print-time dialog's category shown, drawn as category_PANEL.png.
void WriteCategoryPicture(const Script& s, HWND dialog) {
    const HWND list = GetDlgItem(dialog, js::kCategories);
    if (s.request.pngDir.empty() || !list || !s.request.categoryPanel) return;
    const LRESULT shown = SendMessageW(list, LB_GETCURSEL, 0, 0);
    const int panel = shown < 0 ? 0 : s.request.categoryPanel(dialog, static_cast<UINT>(shown));
    const std::string path = s.request.pngDir + "/category_" + std::to_string(panel) + ".png";
    if (PlatRenderWindowToPng(dialog, path.c_str()))
        std::printf("wrote %s\n", path.c_str());
    else
        std::fprintf(stderr, "ui_runner: cannot write %s\n", path.c_str());
}

// "category PANEL" in the print-time dialog: the category button of that panel clicked.
BOOL ShowCategory(Script& s, HWND dialog, const Action& a) {
    const HWND list = GetDlgItem(dialog, js::kCategories);
    if (!list || !s.request.categoryPanel) {
        std::fprintf(stderr, "ui_runner: \"category\" works in the print-time dialog %u only\n", js::kTemplate);
        return Stop(s, dialog);
    }
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    std::string shown;
    for (int i = 0; i < count; ++i) {
        const int panel = s.request.categoryPanel(dialog, static_cast<UINT>(i));
        shown += (shown.empty() ? "" : ", ") + std::to_string(panel);
        if (std::to_string(panel) != a.value) continue;
        if (!PlatClickListItem(list, i)) break;
        std::printf("category %d\n", panel);
        WriteCategoryPicture(s, dialog);
        return TRUE;
    }
    std::fprintf(stderr, "ui_runner: no category %s; the dialog shows %s\n", a.value.c_str(), shown.c_str());
    return Stop(s, dialog);
}

// The account pop-up coming up at the start of a job takes the --popup entry: the user ID and the
// password typed, then OK, ahead of the rest of the script.
void RoutePopup(Script& s) {
    if (s.popupAnswered || s.request.popupId.empty() || s.dialogs.empty()) return;
    const unsigned id = s.dialogs.back().id;
    if (id != kAccountPopup.dialog && id != kAccountPopup.asteriskDialog) return;
    s.popupAnswered = true;
    const std::vector<Action> entry = {
        {"set", std::to_string(kAccountPopup.userId), s.request.popupId},
        {"set", std::to_string(kAccountPopup.password), s.request.popupPassword},
        {"ok", "", ""},
    };
    s.actions.insert(s.actions.begin() + static_cast<std::ptrdiff_t>(s.next), entry.begin(), entry.end());
}

BOOL Turn(HWND window, void* context) {
    auto& s = *static_cast<Script*>(context);
    if (!s.started) {
        // The page the sheet opens on is a visited page too.
        s.started = true;
        s.sheet = window;
        s.front = window;
        s.pageShown = CurrentTemplate(window, PageOrder(s.request));
        WritePicture(s, window);
        return TRUE;
    }
    TrackFront(s, window);
    RoutePopup(s);
    if (s.failed || s.next >= s.actions.size()) {
        // A failed action, or the script ran out with a window still open: cancel rather than go
        // on or wait for ever.
        return PressCancel(s, window);
    }
    const Action& a = s.actions[s.next++];
    if (a.verb == "ok" || a.verb == "cancel") return PressEnd(s, a);
    if (a.verb == "answer") {
        PlatQueueMessageBoxAnswer(SameName(a.value, "ok") ? IDOK : IDCANCEL);
        return TRUE;
    }
    if (a.verb == "category") return ShowCategory(s, window, a);
    if (a.verb == "page") {
        if (window == s.sheet) return ShowPage(s, window, a);
        if (!s.sheet)
            std::fprintf(stderr, "ui_runner: dialog %u was opened on its own: it has no pages\n", s.request.dialog);
        else
            std::fprintf(stderr, "ui_runner: dialog %u is in front of the sheet's pages\n", s.dialogs.back().id);
        return Stop(s, window);
    }
    // A dialog as the script found it, before an action that may end it (Close, a button that
    // opens the next dialog).
    if (window != s.sheet) WriteDialogPicture(s);
    if (!ActOnControl(s, a)) return Stop(s, window);
    if (window == s.sheet) {
        s.changedSincePicture = true;
    } else if (IsWindow(window) && IsWindowVisible(window)) {
        // A dialog the action opened (and that closed before the action returned) is not the
        // one drawn, nor one the action ended.
        TrackFront(s, window);
        WriteDialogPicture(s);
    }
    return TRUE;
}

// ---- What OK made ------------------------------------------------------------------------------

using Record = std::span<const BYTE>;

// Fields of the record the pages write, by their dm:: names, placed by the build's layout.
constexpr const char* kNumberFields[] = {
    "Orientation", "PaperSize", "PaperLength", "PaperWidth", "Scale", "Copies", "DefaultSource", "PrintQuality",
    "Duplex", "Collate", "Flags1", "Zoom", "LayoutMode", "FrameKind", "LayoutOrder",
    // The image adjustment page's.
    "ImageAdjustMode", "AdjustObjectType", "BrightnessCommon", "BrightnessText", "BrightnessGraphics",
    "BrightnessImages", "ContrastCommon", "ContrastText", "ContrastGraphics", "ContrastImages",
    // The stamp and overlay page's.
    "StampNumber", "FlagsWord", "OverlayStatus"};
constexpr const char* kTextFields[] = {"FormName", "OutPaperName", "OverlayFolder", "OverlayName"};

// An integer field, little-endian; two-byte fields are signed as the DEVMODE's own are.
long ReadNumber(Record r, const orla::runner::FieldPlace& f) {
    if (f.offset > r.size() || r.size() - f.offset < f.size) return 0;
    unsigned long v = 0;
    for (unsigned i = 0; i < f.size; ++i) v |= static_cast<unsigned long>(r[f.offset + i]) << (8 * i);
    if (f.size == 2) return static_cast<SHORT>(v);
    if (f.size == 4) return static_cast<LONG>(v);  // the adjustment values run below 0
    return static_cast<long>(v);
}
std::u16string ReadText(Record r, const orla::runner::FieldPlace& f) {
    std::u16string text;
    if (f.kind == orla::runner::kAnsi) {  // the paths the pages keep are ASCII
        for (unsigned i = 0; i < f.size && f.offset + i < r.size() && r[f.offset + i]; ++i)
            text.push_back(static_cast<char16_t>(r[f.offset + i]));
        return text;
    }
    for (unsigned i = 0; i + 1 < f.size && f.offset + i + 1 < r.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(r[f.offset + i] | (r[f.offset + i + 1] << 8));
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

void PrintChanges(Record before, Record after, const SheetRequest& request) {
    int changed = 0;
    orla::runner::FieldPlace place;
    for (const char* name : kTextFields) {
        if (!orla::runner::FindSettingsField(request.binDir, request.japanese, name, place)) continue;
        const std::u16string was = ReadText(before, place), now = ReadText(after, place);
        if (was == now) continue;
        std::printf("  %s \"%s\" -> \"%s\"\n", name, plat::Utf16ToUtf8(was).c_str(), plat::Utf16ToUtf8(now).c_str());
        ++changed;
    }
    for (const char* name : kNumberFields) {
        if (!orla::runner::FindSettingsField(request.binDir, request.japanese, name, place)) continue;
        const long was = ReadNumber(before, place), now = ReadNumber(after, place);
        if (was == now) continue;
        if (std::string_view(name) == "Flags1")
            std::printf("  %s 0x%08lx -> 0x%08lx\n", name, static_cast<unsigned long>(was) & 0xFFFFFFFFul,
                        static_cast<unsigned long>(now) & 0xFFFFFFFFul);
        else
            std::printf("  %s %ld -> %ld\n", name, was, now);
        ++changed;
    }
    if (changed == 0) std::printf("  no field changed\n");
}

void PrintMessageBoxes(DWORD from) {
    for (DWORD i = from; i < PlatMessageBoxCount(); ++i) {
        PLAT_MESSAGE_BOX_RECORD box{};
        if (PlatGetMessageBox(i, &box)) std::printf("message box: %s\n", plat::Utf16ToUtf8(box.text).c_str());
    }
}

// The record goes out only once the interface DLL's own conversion takes it back, as an
// application handing it to the driver later would.
int WriteRecord(const SheetExports& e, std::vector<BYTE>& record, const std::string& path) {
    std::vector<BYTE> converted = record;
    LONG size = static_cast<LONG>(converted.size());
    if (!e.convert(e.printerName, reinterpret_cast<DEVMODEW*>(record.data()),
                   reinterpret_cast<DEVMODEW*>(converted.data()), &size, CDM_CONVERT)) {
        std::fprintf(stderr, "ui_runner: DrvConvertDevMode refused the record (error %lu)\n",
                     static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    std::printf("DrvConvertDevMode took the record (%ld bytes)\n", static_cast<long>(size));
    FILE* f = std::fopen(path.c_str(), "wb");
    const bool written = f && std::fwrite(record.data(), 1, record.size(), f) == record.size();
    if (f && std::fclose(f) != 0) return 1;
    if (!written) {
        std::fprintf(stderr, "ui_runner: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("wrote %s\n", path.c_str());
    return 0;
}

}  // namespace

const char* SheetScriptUsage() {
    return "controls: Paper, OutputPaper, Orientation (Portrait/Landscape), Portrait, Landscape, Copies, "
           "FreeZoom, Zoom, Duplex, Binding, Layout, Frame, Order, SavePaper, EntryMode, RestoreDefaults, "
           "GetConfiguration, (devsheet) TrueTypeTable, OutPaperTable, AccountSettings, "
           "or a control id (a dialog's controls by id only); "
           "actions: page ID, category PANEL (the print-time dialog's category of that panel: 650 to 657), "
           "choose CONTROL ITEM (combo, list box, list view item, tree row), set CONTROL VALUE, "
           "click CONTROL, drag CONTROL X,Y X,Y, key CONTROL Delete|Enter|End|..., "
           "scroll CONTROL left|right|pageleft|pageright|thumb N|track N|home|end|endscroll (a scroll bar by id), "
           "answer ok|cancel (the next "
           "message box), ok, cancel (the sheet or the dialog in front)";
}

int RunSheetScript(const SheetExports& e, const SheetRequest& request) {
    Script s;
    s.request = request;
    if (!Parse(request.script, s.actions)) return 2;
    const LONG size = e.docProps(nullptr, e.printer, e.printerName, nullptr, nullptr, 0);
    if (size < static_cast<LONG>(sizeof(DEVMODEW))) {
        std::fprintf(stderr, "ui_runner: DrvDocumentProperties gave no record size\n");
        return 1;
    }
    std::vector<BYTE> before(static_cast<size_t>(size)), after(static_cast<size_t>(size));
    auto* in = reinterpret_cast<DEVMODEW*>(before.data());
    auto* out = reinterpret_cast<DEVMODEW*>(after.data());
    if (e.docProps(nullptr, e.printer, e.printerName, in, nullptr, DM_COPY) != IDOK) {
        std::fprintf(stderr, "ui_runner: no settings record for the printer\n");
        return 1;
    }
    after = before;
    const DWORD boxes = PlatMessageBoxCount();
    PlatSetModalIdleHandler(Turn, &s);
    const LONG r = e.docProps(nullptr, e.printer, e.printerName, out, in, DM_COPY | DM_PROMPT);
    PlatSetModalIdleHandler(nullptr, nullptr);
    PrintMessageBoxes(boxes);
    std::printf("DrvDocumentProperties (sheet): %ld\n", static_cast<long>(r));
    if (s.failed) return 2;
    if (r < 0) return 1;
    if (s.okPressed && r != IDOK) {
        std::fprintf(stderr, "ui_runner: the sheet did not close with OK (page %u refused to be left)\n", s.pageShown);
        return 2;
    }
    if (r != IDOK) return 0;
    PrintChanges(before, after, request);
    return request.recordOut.empty() ? 0 : WriteRecord(e, after, request.recordOut);
}

namespace {

// A printer-data table of name pairs as "first -> second" lines; "(none)" when it has none.
std::vector<std::string> TablePairs(HANDLE printer, const char16_t* name) {
    DWORD type = 0, needed = 0;
    GetPrinterDataW(printer, const_cast<LPWSTR>(name), &type, nullptr, 0, &needed);
    std::vector<BYTE> value(needed);
    if (needed == 0 ||
        GetPrinterDataW(printer, const_cast<LPWSTR>(name), &type, value.data(), needed, &needed) != ERROR_SUCCESS)
        return {"(missing)"};
    std::vector<std::u16string> strings(1);
    for (size_t i = 0; i + 1 < std::min<size_t>(needed, value.size()); i += 2) {
        const char16_t c = static_cast<char16_t>(value[i] | (value[i + 1] << 8));
        if (c != 0)
            strings.back() += c;
        else if (strings.back().empty())
            break;  // an empty name ends the table
        else
            strings.emplace_back();
    }
    std::vector<std::string> lines;
    for (size_t i = 0; i + 1 < strings.size(); i += 2)
        lines.push_back(plat::Utf16ToUtf8(strings[i]) + " -> " + plat::Utf16ToUtf8(strings[i + 1]));
    if (lines.empty()) lines.push_back("(none)");
    return lines;
}

constexpr const char16_t* kTableValues[] = {u"TBL_TTSubstTable", u"TBL_OutPaperTable"};

}  // namespace

int RunDeviceSheetScript(const SheetExports& e, const SheetRequest& request) {
    Script s;
    s.request = request;
    s.request.deviceSheet = true;
    if (!Parse(request.script, s.actions)) return 2;
    std::vector<std::vector<std::string>> before;
    for (const char16_t* name : kTableValues) before.push_back(TablePairs(e.printer, name));
    const DWORD boxes = PlatMessageBoxCount();
    PlatSetModalIdleHandler(Turn, &s);
    const BOOL r = e.printerProps(nullptr, e.printer);
    PlatSetModalIdleHandler(nullptr, nullptr);
    PrintMessageBoxes(boxes);
    std::printf("PrinterProperties (sheet): %d\n", r);
    if (s.failed) return 2;
    for (size_t i = 0; i < std::size(kTableValues); ++i) {
        const std::vector<std::string> after = TablePairs(e.printer, kTableValues[i]);
        if (after == before[i]) continue;
        std::printf("%s:\n", plat::Utf16ToUtf8(kTableValues[i]).c_str());
        for (const std::string& line : after) std::printf("  %s\n", line.c_str());
    }
    return 0;
}

int RunJobScript(const SheetRequest& request, const std::function<int()>& print) {
    Script s;
    s.request = request;
    s.started = true;  // no sheet: the dialogs come up on their own
    if (!Parse(request.script, s.actions)) return 2;
    const DWORD boxes = PlatMessageBoxCount();
    PlatSetModalIdleHandler(Turn, &s);
    const int r = print();
    PlatSetModalIdleHandler(nullptr, nullptr);
    PrintMessageBoxes(boxes);
    if (s.failed) return 2;
    if (s.next < s.actions.size())
        std::printf("the job ended with %zu action(s) of the script left (no dialog came up for them)\n",
                    s.actions.size() - s.next);
    return r;
}

int RunDialogScript(const DialogExports& e, const SheetRequest& request) {
    Script s;
    s.request = request;
    s.started = true;  // no sheet: the first turn is the dialog's
    if (!Parse(request.script, s.actions)) return 2;
    const DWORD boxes = PlatMessageBoxCount();
    PlatSetModalIdleHandler(Turn, &s);
    const INT_PTR r = e.open(e.printer, e.interfaceDll, request.dialog);
    PlatSetModalIdleHandler(nullptr, nullptr);
    PrintMessageBoxes(boxes);
    std::printf("dialog %u: %ld\n", request.dialog, static_cast<long>(r));
    if (s.failed) return 2;
    if (r < 0) {
        std::fprintf(stderr, "ui_runner: dialog %u could not be opened\n", request.dialog);
        return 1;
    }
    return 0;
}
