// The common file dialog, answered from a script: each call takes the next queued answer (a
// path or a cancel) and is logged with what the caller asked, so tests see the filter, folder,
// buffer sizes and flags the driver used.
#include "plat/open_file_dialog.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "plat_internal.h"
#include "win/common_dialogs.h"
#include "win/kernel.h"

namespace plat {
namespace {

struct OpenFileScript {
    std::mutex lock;
    std::deque<std::optional<std::u16string>> answers;  // nullopt: cancel
    std::vector<PLAT_OPEN_FILE_RECORD> log;
    DWORD unexpected = 0;
};

OpenFileScript& script() {
    static OpenFileScript* s = new OpenFileScript;
    return *s;
}

thread_local DWORD t_lastError = 0;

template <size_t N>
void CopyCut(WCHAR (&to)[N], std::u16string_view from) {
    const size_t n = std::min(from.size(), N - 1);
    from.copy(to, n);
    to[n] = 0;
}

// The filter list (texts ended by an empty one) with each separating NUL shown as '|'.
std::u16string FilterText(LPCWSTR filter) {
    std::u16string out;
    if (filter == nullptr) return out;
    for (LPCWSTR p = filter; *p; p += std::char_traits<char16_t>::length(p) + 1) {
        if (!out.empty()) out += u'|';
        out += p;
    }
    return out;
}

PLAT_OPEN_FILE_RECORD RecordOf(const OPENFILENAMEW& ofn) {
    PLAT_OPEN_FILE_RECORD r{};
    CopyCut(r.filter, FilterText(ofn.lpstrFilter));
    CopyCut(r.initialDir, View(ofn.lpstrInitialDir));
    CopyCut(r.title, View(ofn.lpstrTitle));
    if (ofn.lpstrFile && ofn.nMaxFile > 0) {
        std::u16string_view given(ofn.lpstrFile, ofn.nMaxFile);
        CopyCut(r.initialFile, given.substr(0, given.find(u'\0')));
    }
    r.maxFile = ofn.nMaxFile;
    r.maxFileTitle = ofn.lpstrFileTitle ? ofn.nMaxFileTitle : 0;
    r.flags = ofn.Flags;
    r.filterIndex = ofn.nFilterIndex;
    r.owner = ofn.hwndOwner;
    return r;
}

bool Exists(const std::u16string& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Hands the chosen path back as the dialog does: the path, its file name and the offsets of
// the name and extension. FALSE with FNERR_BUFFERTOOSMALL when it does not fit.
bool GiveAnswer(OPENFILENAMEW& ofn, const std::u16string& path) {
    if (path.size() + 1 > ofn.nMaxFile) {
        if (ofn.nMaxFile >= 1) ofn.lpstrFile[0] = static_cast<WCHAR>(std::min<size_t>(path.size() + 1, 0xFFFF));
        t_lastError = FNERR_BUFFERTOOSMALL;
        return false;
    }
    path.copy(ofn.lpstrFile, path.size());
    ofn.lpstrFile[path.size()] = 0;
    const size_t slash = path.find_last_of(u"\\/");
    const size_t nameAt = slash == std::u16string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of(u'.');
    ofn.nFileOffset = static_cast<WORD>(nameAt);
    ofn.nFileExtension = static_cast<WORD>(dot == std::u16string::npos || dot < nameAt ? path.size() : dot + 1);
    if (ofn.lpstrFileTitle && ofn.nMaxFileTitle > 0) {
        const std::u16string name = path.substr(nameAt);
        const size_t n = std::min<size_t>(name.size(), ofn.nMaxFileTitle - 1);
        name.copy(ofn.lpstrFileTitle, n);
        ofn.lpstrFileTitle[n] = 0;
    }
    return true;
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

BOOL GetOpenFileNameW(LPOPENFILENAMEW lpofn) {
    t_lastError = 0;
    if (lpofn == nullptr ||
        (lpofn->lStructSize != sizeof(OPENFILENAMEW) && lpofn->lStructSize != OPENFILENAME_SIZE_VERSION_400W)) {
        t_lastError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (lpofn->lpstrFile == nullptr || lpofn->nMaxFile == 0) {
        t_lastError = CDERR_INITIALIZATION;
        return FALSE;
    }
    OpenFileScript& s = script();
    std::unique_lock<std::mutex> g(s.lock);
    PLAT_OPEN_FILE_RECORD record = RecordOf(*lpofn);
    if (s.answers.empty()) {
        record.unexpected = TRUE;
    } else {
        std::optional<std::u16string> answer = std::move(s.answers.front());
        s.answers.pop_front();
        // A user can only pick a file that exists when the caller asks for one.
        if (answer && (lpofn->Flags & OFN_FILEMUSTEXIST) && !Exists(*answer)) {
            record.unexpected = TRUE;
        } else if (answer) {
            record.result = GiveAnswer(*lpofn, *answer) ? TRUE : FALSE;
            if (record.result) CopyCut(record.answer, *answer);
        }
    }
    if (record.unexpected) ++s.unexpected;
    s.log.push_back(record);
    return record.result;
}

DWORD CommDlgExtendedError(void) {
    return t_lastError;
}

void PlatQueueOpenFileAnswer(LPCWSTR windowsPath) {
    OpenFileScript& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    s.answers.emplace_back(std::u16string(View(windowsPath)));
}

void PlatQueueOpenFileCancel(void) {
    OpenFileScript& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    s.answers.emplace_back(std::nullopt);
}

DWORD PlatOpenFileCallCount(void) {
    OpenFileScript& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    return static_cast<DWORD>(s.log.size());
}

BOOL PlatGetOpenFileCall(DWORD index, PLAT_OPEN_FILE_RECORD* record) {
    OpenFileScript& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    if (record == nullptr || index >= s.log.size()) return FALSE;
    *record = s.log[index];
    return TRUE;
}

DWORD PlatUnexpectedOpenFileCount(void) {
    OpenFileScript& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    return s.unexpected;
}

DWORD PlatPendingOpenFileAnswers(void) {
    OpenFileScript& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    return static_cast<DWORD>(s.answers.size());
}

void PlatResetOpenFileDialogs(void) {
    OpenFileScript& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    s.answers.clear();
    s.log.clear();
    s.unexpected = 0;
}

}  // extern "C"
