// Message boxes answered by the test's script, with a log of every box shown.
#include "plat/message_box.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "plat_internal.h"
#include "win/nls.h"

namespace plat {
namespace {

struct Boxes {
    std::mutex lock;
    std::deque<int> answers;
    std::vector<PLAT_MESSAGE_BOX_RECORD> log;
    DWORD unexpected = 0;
};

Boxes& boxes() {
    static Boxes* b = new Boxes;
    return *b;
}

// The buttons of each box type, by MB_ type number.
struct ButtonSet {
    UINT type;
    int buttons[3];
};
constexpr ButtonSet kButtonSets[] = {
    {MB_OK, {IDOK, 0, 0}},
    {MB_OKCANCEL, {IDOK, IDCANCEL, 0}},
    {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
    {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
    {MB_YESNO, {IDYES, IDNO, 0}},
    {MB_RETRYCANCEL, {IDRETRY, IDCANCEL, 0}},
    {MB_CANCELTRYCONTINUE, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}},
};

bool IsButtonOf(UINT type, int answer) {
    for (const ButtonSet& set : kButtonSets) {
        if (set.type == (type & MB_TYPEMASK))
            return std::find(std::begin(set.buttons), std::end(set.buttons), answer) != std::end(set.buttons) &&
                   answer != 0;
    }
    return false;
}

template <size_t N>
void CopyCut(WCHAR (&out)[N], LPCWSTR text) {
    std::u16string_view view = View(text);
    size_t n = std::min(view.size(), N - 1);
    view.copy(out, n);
    out[n] = 0;
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    PLAT_MESSAGE_BOX_RECORD record{};
    CopyCut(record.text, lpText);
    CopyCut(record.caption, lpCaption ? lpCaption : u"Error");  // Windows' caption when none is given
    record.flags = uType;
    record.owner = hWnd;
    Boxes& b = boxes();
    std::lock_guard<std::mutex> g(b.lock);
    if (!b.answers.empty() && IsButtonOf(uType, b.answers.front())) {
        record.answer = b.answers.front();
        b.answers.pop_front();
    } else {
        record.unexpected = TRUE;
        ++b.unexpected;
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    b.log.push_back(record);
    return record.answer;
}

// The texts in the system code page, shown as MessageBoxW shows them; a null caption stays null.
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const auto wide = [](LPCSTR text) {
        std::u16string out;
        if (!text) return out;
        const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        if (n <= 0) return out;
        out.resize(static_cast<size_t>(n));
        MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
        out.resize(static_cast<size_t>(n - 1));
        return out;
    };
    const std::u16string text = wide(lpText), caption = wide(lpCaption);
    return MessageBoxW(hWnd, lpText ? text.c_str() : nullptr, lpCaption ? caption.c_str() : nullptr, uType);
}

void PlatQueueMessageBoxAnswer(int answer) {
    Boxes& b = boxes();
    std::lock_guard<std::mutex> g(b.lock);
    b.answers.push_back(answer);
}

DWORD PlatMessageBoxCount(void) {
    Boxes& b = boxes();
    std::lock_guard<std::mutex> g(b.lock);
    return static_cast<DWORD>(b.log.size());
}

BOOL PlatGetMessageBox(DWORD index, PLAT_MESSAGE_BOX_RECORD* record) {
    Boxes& b = boxes();
    std::lock_guard<std::mutex> g(b.lock);
    if (record == nullptr || index >= b.log.size()) return FALSE;
    *record = b.log[index];
    return TRUE;
}

DWORD PlatUnexpectedMessageBoxCount(void) {
    Boxes& b = boxes();
    std::lock_guard<std::mutex> g(b.lock);
    return b.unexpected;
}

DWORD PlatPendingMessageBoxAnswers(void) {
    Boxes& b = boxes();
    std::lock_guard<std::mutex> g(b.lock);
    return static_cast<DWORD>(b.answers.size());
}

void PlatResetMessageBoxes(void) {
    Boxes& b = boxes();
    std::lock_guard<std::mutex> g(b.lock);
    b.answers.clear();
    b.log.clear();
    b.unexpected = 0;
}

}  // extern "C"

// Beeps are counted so a test can tell a warning's beep happened.
namespace {
std::atomic<DWORD> g_beeps{0};
std::atomic<UINT> g_lastBeep{0};
}  // namespace

extern "C" {

BOOL MessageBeep(UINT uType) {
    g_lastBeep = uType;
    ++g_beeps;
    return TRUE;
}
DWORD PlatBeepCount(void) {
    return g_beeps;
}
UINT PlatLastBeepType(void) {
    return g_lastBeep;
}
void PlatResetBeeps(void) {
    g_beeps = 0;
    g_lastBeep = 0;
}

}  // extern "C"
