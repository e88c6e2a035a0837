// The common property sheet UI stand-in: calls the driver's sheet callback with INIT and
// GET_INFO_HEADER, shows the pages the driver added as one property sheet, passes the pages'
// results back with SET_RESULT while the sheet is open, and calls DESTROY last. The result the
// driver kept in the request goes to pResult. A script can refuse the n-th page added.
#include <mutex>
#include <string>
#include <vector>

#include "outside/compstui/compstui_script.h"
#include "win/compstui.h"
#include "win/kernel.h"

namespace {

constexpr LANGID kPrimaryLanguageMask = 0x3FF, kLanguageJapanese = 0x11;

struct Script {
    std::mutex lock;
    UINT refusePage = 0;
    std::u16string log;
};

// A plain static: the module is loaded and unloaded by each caller, and its state goes with it.
Script& script() {
    static Script s;
    return s;
}

void Log(const std::string& line) {
    Script& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    s.log.append(line.begin(), line.end());
    s.log += u'\n';
}

UINT RefusedPage() {
    Script& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    return s.refusePage;
}

// One sheet being shown: the driver's callback, its request record and the pages it added.
struct Sheet {
    PFNPROPSHEETUI callback = nullptr;
    LPARAM lParam = 0;
    PROPSHEETUI_INFO info{};
    std::vector<HPROPSHEETPAGE> pages;
    UINT addCalls = 0;
    bool destroyed = false;
};

const char* kReasonNames[] = {"INIT", "GET_INFO_HEADER", "DESTROY", "SET_RESULT"};

LONG CallDriver(Sheet& sheet, WORD reason, LPARAM lParam) {
    sheet.info.Reason = reason;
    LONG answer = sheet.callback(&sheet.info, lParam);
    Log(std::string(kReasonNames[reason]) + " -> " + std::to_string(answer));
    return answer;
}

LONG_PTR AddPage(Sheet& sheet, LPARAM page) {
    UINT n = ++sheet.addCalls;
    if (page == 0 || n == RefusedPage()) {
        Log("ADD_HPROPSHEETPAGE " + std::to_string(n) + " refused");
        return 0;  // the caller keeps the page it could not add
    }
    sheet.pages.push_back(reinterpret_cast<HPROPSHEETPAGE>(page));
    Log("ADD_HPROPSHEETPAGE " + std::to_string(n));
    return page;
}

LONG_PTR CALLBACK ComPropSheet(HANDLE hComPropSheet, UINT Function, LPARAM lParam1, LPARAM lParam2) {
    auto* sheet = static_cast<Sheet*>(hComPropSheet);
    if (sheet == nullptr || sheet->destroyed) return -1;
    switch (Function) {
        case CPSFUNC_ADD_HPROPSHEETPAGE:
            return AddPage(*sheet, lParam1);
        case CPSFUNC_GET_PAGECOUNT:
            return static_cast<LONG_PTR>(sheet->pages.size());
        case CPSFUNC_SET_RESULT: {
            SETRESULT_INFO result{sizeof(SETRESULT_INFO), 0,
                                  lParam1 ? reinterpret_cast<HANDLE>(lParam1) : hComPropSheet,
                                  static_cast<LRESULT>(lParam2)};
            CallDriver(*sheet, PROPSHEETUI_REASON_SET_RESULT, reinterpret_cast<LPARAM>(&result));
            return 1;  // one callback was told
        }
    }
    Log("function " + std::to_string(Function) + " not offered");
    return -1;
}

// Pages added before a failure are the sheet's: they are destroyed (released) here.
void DropPages(Sheet& sheet) {
    for (HPROPSHEETPAGE page : sheet.pages) DestroyPropertySheetPage(page);
    sheet.pages.clear();
}

INT_PTR ShowSheet(HWND owner, Sheet& sheet, const PROPSHEETUI_INFO_HEADER& header) {
    std::u16string caption = header.pTitle ? header.pTitle : u"";
    // The title's suffix in the user's language, as the system's sheet writes it.
    if (header.Flags & PSUIHDRF_PROPTITLE)
        caption +=
            (GetUserDefaultLangID() & kPrimaryLanguageMask) == kLanguageJapanese ? u"のプロパティ" : u" Properties";
    PROPSHEETHEADERW psh{};
    psh.dwSize = sizeof psh;
    psh.dwFlags = (header.Flags & PSUIHDRF_NOAPPLYNOW) ? PSH_NOAPPLYNOW : PSH_DEFAULT;
    psh.hwndParent = header.hWndParent ? header.hWndParent : owner;
    psh.hInstance = header.hInst;
    psh.pszCaption = caption.c_str();
    psh.nPages = static_cast<UINT>(sheet.pages.size());
    psh.phpage = sheet.pages.data();
    INT_PTR shown = PropertySheetW(&psh);  // the sheet owns and releases the pages
    sheet.pages.clear();
    Log("SHEET -> " + std::to_string(shown));
    return shown;
}

}  // namespace

DLLEXPORT LONG CommonPropertySheetUIW(HWND hWndOwner, PFNPROPSHEETUI pfnPropSheetUI, LPARAM lParam, LPDWORD pResult) {
    if (pfnPropSheetUI == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERR_CPSUI_GETLASTERROR;
    }
    Sheet sheet;
    sheet.callback = pfnPropSheetUI;
    sheet.lParam = lParam;
    sheet.info = PROPSHEETUI_INFO{
        sizeof(PROPSHEETUI_INFO), PROPSHEETUI_INFO_VERSION, 0, 0, &sheet, ComPropSheet, lParam, 0, CPSUI_CANCEL};
    // A driver whose INIT fails has already undone its own state: no DESTROY follows.
    if (CallDriver(sheet, PROPSHEETUI_REASON_INIT, lParam) <= 0) {
        DropPages(sheet);
        return ERR_CPSUI_GETLASTERROR;
    }
    PROPSHEETUI_INFO_HEADER header{sizeof(PROPSHEETUI_INFO_HEADER), 0, nullptr, hWndOwner, nullptr, {nullptr}};
    LONG ok = CallDriver(sheet, PROPSHEETUI_REASON_GET_INFO_HEADER, reinterpret_cast<LPARAM>(&header)) > 0 &&
                      !sheet.pages.empty()
                  ? 1
                  : 0;
    INT_PTR shown = ok ? ShowSheet(hWndOwner, sheet, header) : -1;
    DropPages(sheet);  // pages of a sheet that was never shown
    if (pResult) *pResult = static_cast<DWORD>(sheet.info.Result);
    CallDriver(sheet, PROPSHEETUI_REASON_DESTROY, shown > 0 ? 1 : 0);
    sheet.destroyed = true;
    return shown < 0 ? ERR_CPSUI_GETLASTERROR : CPSUI_OK;
}

DLLEXPORT void CompstuiRefusePage(UINT n) {
    Script& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    s.refusePage = n;
}

DLLEXPORT DWORD CompstuiCallLog(LPWSTR buffer, DWORD size) {
    Script& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    if (buffer == nullptr || size <= s.log.size()) return static_cast<DWORD>(s.log.size() + 1);
    s.log.copy(buffer, s.log.size());
    buffer[s.log.size()] = 0;
    return static_cast<DWORD>(s.log.size());
}

DLLEXPORT void CompstuiReset(void) {
    Script& s = script();
    std::lock_guard<std::mutex> g(s.lock);
    s.refusePage = 0;
    s.log.clear();
}
