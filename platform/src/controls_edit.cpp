// The single-line edit control: text with a limit, a selection, password and number styles.
// EN_UPDATE then EN_CHANGE follow every change of the text, WM_SETTEXT's included.
#include <algorithm>
#include <string>

#include "system_classes.h"
#include "win/user_controls.h"

namespace plat {
namespace {

constexpr size_t kDefaultLimit = 32767;       // before EM_LIMITTEXT, as on Windows
constexpr size_t kLargestLimit = 0x7FFFFFFE;  // EM_LIMITTEXT 0
constexpr WCHAR kPasswordDot = u'\x25CF';

struct EditState {
    size_t limit = kDefaultLimit;
    size_t selStart = 0;
    size_t selEnd = 0;
    WCHAR passwordChar = 0;
    bool modified = false;
};

std::u16string TextOf(HWND h) {
    int length = GetWindowTextLengthW(h);
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), length + 1)));
    return text;
}

void StoreText(HWND h, const std::u16string& text) {
    DefWindowProcW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void NotifyChanged(HWND h) {
    NotifyParent(h, EN_UPDATE);
    NotifyParent(h, EN_CHANGE);
}

// Replaces the selection with `insert` as a user's edit would; FALSE when the limit (or the
// number style) refuses it, after EN_MAXTEXT where Windows sends it.
bool ReplaceSelection(HWND h, EditState& state, std::u16string insert, bool user) {
    DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    if (user && (style & ES_NUMBER) &&
        std::any_of(insert.begin(), insert.end(), [](char16_t c) { return c < u'0' || c > u'9'; })) {
        return false;
    }
    std::u16string text = TextOf(h);
    size_t start = std::min({state.selStart, state.selEnd, text.size()});
    size_t end = std::min(std::max(state.selStart, state.selEnd), text.size());
    size_t room = state.limit - std::min(state.limit, text.size() - (end - start));
    if (insert.size() > room) {
        NotifyParent(h, EN_MAXTEXT);
        if (user || room == 0) return false;
        insert.resize(room);
    }
    text.replace(start, end - start, insert);
    StoreText(h, text);
    state.selStart = state.selEnd = start + insert.size();
    state.modified = true;
    NotifyChanged(h);
    return true;
}

void TypeCharacter(HWND h, EditState& state, WCHAR c) {
    if (GetWindowLongW(h, GWL_STYLE) & ES_READONLY) return;
    if (c == VK_BACK) {
        if (state.selStart == state.selEnd) {
            if (state.selStart == 0) return;
            state.selStart = std::min(state.selStart, TextOf(h).size()) - 1;
        }
        ReplaceSelection(h, state, u"", true);
        return;
    }
    if (c < u' ') return;  // other control characters edit nothing
    ReplaceSelection(h, state, std::u16string(1, c), true);
}

// EM_SETSEL: a negative start removes the selection, a negative end means the end of the text.
void SetSelection(HWND h, EditState& state, WPARAM start, LPARAM end) {
    size_t length = TextOf(h).size();
    auto s = static_cast<LONG_PTR>(static_cast<int>(start));
    auto e = static_cast<LONG_PTR>(static_cast<int>(end));
    if (s < 0) {
        state.selStart = state.selEnd = std::min(state.selEnd, length);
        return;
    }
    if (e < 0) e = static_cast<LONG_PTR>(length);
    state.selStart = std::min(static_cast<size_t>(s), length);
    state.selEnd = std::min(static_cast<size_t>(e), length);
    if (state.selStart > state.selEnd) std::swap(state.selStart, state.selEnd);
}

}  // namespace

LRESULT CALLBACK EditProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        FreeControlState<EditState>(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    EditState& state = *ControlState<EditState>(h);
    switch (message) {
        case WM_CREATE:
            if (GetWindowLongW(h, GWL_STYLE) & ES_PASSWORD) state.passwordChar = kPasswordDot;
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        case WM_SETTEXT: {
            LRESULT r = DefWindowProcW(h, message, wParam, lParam);
            state.selStart = state.selEnd = 0;
            state.modified = false;
            NotifyChanged(h);
            return r;
        }
        case WM_CHAR:
            TypeCharacter(h, state, static_cast<WCHAR>(wParam));
            return 0;
        case EM_REPLACESEL: {
            auto text = reinterpret_cast<LPCWSTR>(lParam);
            ReplaceSelection(h, state, text ? text : u"", false);
            return 0;
        }
        case EM_GETSEL:
            if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(state.selStart);
            if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(state.selEnd);
            return MAKELPARAM(std::min<size_t>(state.selStart, 0xFFFF), std::min<size_t>(state.selEnd, 0xFFFF));
        case EM_SETSEL:
            SetSelection(h, state, wParam, lParam);
            return 0;
        case EM_LIMITTEXT:
            state.limit = wParam == 0 ? kLargestLimit : static_cast<size_t>(wParam);
            return 0;
        case EM_GETLIMITTEXT:
            return static_cast<LRESULT>(state.limit);
        case EM_SETPASSWORDCHAR:
            state.passwordChar = static_cast<WCHAR>(wParam);
            return 0;
        case EM_GETPASSWORDCHAR:
            return state.passwordChar;
        case EM_GETMODIFY:
            return state.modified ? TRUE : FALSE;
        case EM_SETMODIFY:
            state.modified = wParam != 0;
            return 0;
        case EM_SETREADONLY: {
            DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
            style = wParam ? style | ES_READONLY : style & ~static_cast<DWORD>(ES_READONLY);
            SetWindowLongW(h, GWL_STYLE, static_cast<LONG>(style));
            return TRUE;
        }
        case WM_SETFOCUS:
            NotifyParent(h, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            NotifyParent(h, EN_KILLFOCUS);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(h);
            return 0;
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

}  // namespace plat
