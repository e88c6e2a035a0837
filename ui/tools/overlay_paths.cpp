// The overlay path rule, the overlay check and its error, the history combo and the header texts.
#include "ui/tools/overlay_paths.h"

#include <cstdio>
#include <iterator>

#include "core/ansi_text.h"
#include "core/device_data.h"
#include "ui/entry/ansi_text.h"
#include "win/common_dialogs.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/spool.h"
#include "win/user_controls.h"

namespace orla {

namespace {

namespace ids = orla_res::stamp_page;

constexpr char kFormExtension[] = ".fn2";
constexpr size_t kFormExtensionBytes = 4;
constexpr DWORD kBrowseFlags = 0x1804;  // OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
constexpr WCHAR kCurrentDirectory[] = u".";
constexpr int kMovedOutEntry = 9;  // the entry that leaves the list when the text is new to it

// Text of the system code page as UTF-16 (the bytes given, no more).
std::u16string WideOf(const char* bytes, size_t count) {
    if (count == 0) return {};
    std::u16string wide(count, u'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(count), wide.data(), static_cast<int>(count));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
}

// Bytes of a header text from offset up to its first NUL (or line feed for the title line), never
// past limit: a text stored without its terminator ends at the field's end.
std::u16string HeaderText(const FormOverlayHeader& h, unsigned offset, unsigned limit, bool line) {
    unsigned end = offset;
    while (end < limit && h.bytes[end] != 0 && !(line && h.bytes[end] == '\n')) ++end;
    return WideOf(reinterpret_cast<const char*>(h.bytes + offset), end - offset);
}

std::u16string Format(const char* format, unsigned a, unsigned b, unsigned c = 0, unsigned d = 0) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, format, a, b, c, d);
    return std::u16string(text, text + (n > 0 ? std::min<size_t>(static_cast<size_t>(n), sizeof text - 1) : 0));
}

struct CodeText {
    DWORD code;
    const char16_t* text;
};
constexpr char16_t kNone[] = u"---";

const CodeText kLanguages[] = {{1, u"ORLA"}, {2, u"ORLA Level2"}, {0x10000, u"K40RS"}};
const CodeText kTrays[] = {
    {0, u"自動"},
    {1, u"ホッパ 1"},
    {0x100, u"ホッパ 2"},
    {0x10000, u"ホッパ 3"},
    {0x10, u"ホッパ 4"},
    {0x1000, u"ホッパ 5"},
    {0x100000, u"ホッパ 6"},
    {0x1000000, u"トレー 1"},
    {0x10000000, u"トレー 2"},
};
const CodeText kPapers[] = {
    {kOverlayPaperBySize, u"サイズ数値指定"},
    {kOverlayPaperPostcard, u"はがき"},
    {kOverlayPaperLetter, u"Letter"},
    {0x10, u"10inch"},
    {kOverlayPaperLP, u"15inch"},
    {kOverlayPaperA5, u"A5"},
    {kOverlayPaperA4, u"A4"},
    {kOverlayPaperA3, u"A3"},
    {kOverlayPaperB5, u"B5"},
    {kOverlayPaperB4, u"B4"},
};
const CodeText kTwoUpPapers[] = {{kOverlayPaperA4x2, u"A4×2"}, {kOverlayPaperB5x2, u"B5×2"}};

template <size_t N>
const char16_t* TextOf(const CodeText (&table)[N], DWORD code) {
    for (const CodeText& e : table)
        if (e.code == code) return e.text;
    return nullptr;
}
std::u16string CodeName(const CodeText* table, size_t count, DWORD code) {
    for (size_t i = 0; i < count; ++i)
        if (table[i].code == code) return table[i].text;
    return kNone;
}
std::u16string OrientationName(BYTE c) {
    return c == 'L' ? u"横方向" : c == 'P' ? u"縦方向" : kNone;
}

std::u16string ControlText(HWND dialog, int id, size_t chars) {
    std::u16string text(chars + 1, u'\0');
    const UINT n = GetDlgItemTextW(dialog, id, text.data(), static_cast<int>(text.size()));
    text.resize(n);
    return text;
}

// The path with its file name part replaced by the name as found on disk (its case kept), when
// the file exists.
std::u16string WithNameOnDisk(const std::u16string& path) {
    if (path.empty()) return path;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW(path.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return path;
    FindClose(find);
    const size_t slash = path.find_last_of(u'\\');
    const std::u16string folder = slash == std::u16string::npos ? u"" : path.substr(0, slash + 1);
    found.cFileName[MAX_PATH - 1] = 0;
    return folder + found.cFileName;
}

bool EndsWithFormExtension(std::string_view name) {
    if (name.size() < kFormExtensionBytes) return false;
    const std::string_view tail = name.substr(name.size() - kFormExtensionBytes);
    for (size_t i = 0; i < kFormExtensionBytes; ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kFormExtension[i]) return false;
    }
    return true;
}

// The byte position of the last "\" that is a character of its own, npos without one.
size_t LastBackslash(std::string_view text) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') last = i;
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) ++i;
    }
    return last;
}

}  // namespace

// ---- Path rule ----

OverlayPathParse ParseOverlayPathText(std::string_view ansiPath, bool overlayOn) {
    OverlayPathParse parse;
    if (ansiPath.empty()) {
        parse.status = overlayOn ? kOverlayFileUnreadable : kOverlayOk;
        return parse;
    }
    const size_t slash = LastBackslash(ansiPath);
    const std::string_view folder = slash == std::string_view::npos ? std::string_view() : ansiPath.substr(0, slash);
    const std::string_view file = slash == std::string_view::npos ? ansiPath : ansiPath.substr(slash + 1);
    if (folder.size() > kOverlayFolderBytes) {
        parse.status = kOverlayFileUnreadable;
        return parse;
    }
    if (!EndsWithFormExtension(file)) {
        parse.status = kOverlayNotFormFile;
        return parse;
    }
    std::string_view stem = file.substr(0, file.find('.'));
    const int keep = WholeCharacterBytes(stem.data(), static_cast<int>(stem.size()), kOverlayNameBytes);
    parse.taken = true;
    parse.folder.assign(folder);
    parse.name.assign(stem.substr(0, static_cast<size_t>(keep)));
    return parse;
}

BOOL ParseFormOverlayPath(HWND dialog, int comboId, DriverDevmode* record) {
    if (!record) return FALSE;
    const std::u16string typed = WithNameOnDisk(ControlText(dialog, comboId, kOverlayPathChars));
    const std::string ansi = AnsiText(typed);
    const bool on = (Get(*record, dm::FlagsWord) & kFlagsWordOverlayOn) != 0;
    const OverlayPathParse parse = ParseOverlayPathText(ansi, on);
    if (!parse.taken) {
        if (parse.status == kOverlayNotFormFile) ClearFormOverlayInfo(dialog);
        Set(*record, dm::OverlayStatus, parse.status);
        return FALSE;
    }
    SetAnsi(*record, dm::OverlayFolder, parse.folder);
    SetAnsi(*record, dm::OverlayName, parse.name);
    return TRUE;
}

// ---- Header fields ----

OverlayFieldTexts OverlayHeaderTexts(const FormOverlayHeader& h) {
    const auto dword = [&h](unsigned offset) { return OverlayHeaderDword(h, offset); };
    const DWORD high = dword(ovl::kVersionHigh), low = dword(ovl::kVersionLow), shown = dword(ovl::kShownVersion);
    const DWORD madeFor = dword(ovl::kMadeFor), printOn = dword(ovl::kPrintOn);
    const char16_t* twoUp = TextOf(kTwoUpPapers, printOn);
    return {
        HeaderText(h, ovl::kSignature, ovl::kSignatureSpan, true),
        HeaderText(h, ovl::kInfoText, ovl::kInfoText + ovl::kInfoTextSize, false),
        dword(ovl::kProductFlag) == 0 ? u"Quintarc for Windows ORLA版" : kNone,
        Format("%u.%u.%u.%u", HIWORD(high), LOWORD(high), HIWORD(low), LOWORD(low)),
        CodeName(kLanguages, std::size(kLanguages), dword(ovl::kLanguage)),
        Format("%u.%02u", HIWORD(shown), LOWORD(shown)),
        CodeName(kTrays, std::size(kTrays), dword(ovl::kTray)),
        CodeName(kPapers, std::size(kPapers), madeFor),
        OrientationName(h.bytes[ovl::kMadeForOrientation]),
        twoUp ? std::u16string(twoUp) : CodeName(kPapers, std::size(kPapers), printOn),
        OrientationName(h.bytes[ovl::kPrintOnOrientation]),
    };
}

void ClearFormOverlayInfo(HWND dialog) {
    for (int id : ids::kInfoFields) SetDlgItemTextW(dialog, id, u"");
}

void ShowFormOverlayInfo(HWND dialog, const DriverDevmode& record) {
    FormOverlayHeader header{};
    if (!ReadFormOverlayHeader(&header, GetOverlayFilePath(record).c_str())) return ClearFormOverlayInfo(dialog);
    const OverlayFieldTexts texts = OverlayHeaderTexts(header);
    for (size_t i = 0; i < texts.size(); ++i) SetDlgItemTextW(dialog, ids::kInfoFields[i], texts[i].c_str());
}

// ---- The check and its error ----

BOOL ValidateFormOverlay(HWND dialog, UiContext* context, DriverDevmode* record, BOOL postError) {
    if (!context || !record) return FALSE;
    if (GetAnsi(*record, dm::OverlayFolder).empty() && GetAnsi(*record, dm::OverlayName).empty()) return FALSE;
    ApplyFormOverlay(record, context->hPrinter, context->deviceData);
    const DWORD status = Get(*record, dm::OverlayStatus);
    if (status == kOverlayOk) {
        ShowFormOverlayInfo(dialog, *record);
        return TRUE;
    }
    if (status == kOverlayPaperNotSupported)
        ShowFormOverlayInfo(dialog, *record);
    else
        ClearFormOverlayInfo(dialog);
    if (postError) PostMessageW(dialog, kMsgOverlayError, 0, 0);
    return FALSE;
}

UINT OverlayErrorText(DWORD status) {
    switch (status) {
        case kOverlayNotFormFile:
            return ids::kMsgOverlayNotForm;
        case kOverlayPaperNotSupported:
            return ids::kMsgOverlayPaper;
        case kOverlayNameEmpty:
        case kOverlayFileUnreadable:
        case kOverlayFolderEmpty:
            return ids::kMsgOverlayMissing;
    }
    return 0;
}

void ReportFormOverlayError(HWND dialog, int comboId, UiContext* context, DWORD status) {
    const UINT textId = OverlayErrorText(status);
    if (!context || textId == 0) return;
    WCHAR message[256] = {};
    const int n = LoadStringW(context->hResDll, textId, message, 256);
    const std::u16string text =
        ControlText(dialog, comboId, kOverlayPathChars) + std::u16string(message, n > 0 ? static_cast<size_t>(n) : 0);
    const std::u16string caption(DevicePrinterName(context->deviceData));
    MessageBoxW(dialog, text.c_str(), caption.c_str(), MB_ICONWARNING);
    SetFocus(GetDlgItem(dialog, comboId));
}

// ---- History ----

std::vector<std::u16string> FormHistoryStrings(std::span<const BYTE> value) {
    std::vector<std::u16string> strings;
    const size_t units = value.size() / 2;
    size_t at = 0;
    while (at < units && strings.size() < kFormHistoryShown) {
        std::u16string text;
        while (at < units) {
            const auto c = static_cast<char16_t>(value[2 * at] | (value[2 * at + 1] << 8));
            ++at;
            if (c == 0) break;
            text.push_back(c);
        }
        strings.push_back(std::move(text));
    }
    return strings;
}

std::vector<BYTE> ReadFormHistory(HANDLE hPrinter) {
    WCHAR name[std::size(kFormHistoryValue)];
    std::copy(std::begin(kFormHistoryValue), std::end(kFormHistoryValue), name);
    DWORD type = 0, needed = 0;
    BYTE probe = 0;
    const DWORD rc = GetPrinterDataW(hPrinter, name, &type, &probe, 0, &needed);
    if ((rc != ERROR_MORE_DATA && rc != ERROR_SUCCESS) || needed == 0) return {};
    std::vector<BYTE> value(needed);
    DWORD read = 0;
    if (GetPrinterDataW(hPrinter, name, &type, value.data(), needed, &read) != ERROR_SUCCESS) return {};
    value.resize(std::min(read, needed));
    return value;
}

std::u16string OverlayPathText(const DriverDevmode& record) {
    const std::string path = GetOverlayFilePath(record);
    return WideOf(path.data(), path.size());
}

void MoveComboTextToTop(HWND dialog, int comboId) {
    const std::u16string text = ControlText(dialog, comboId, kOverlayPathChars);
    const LRESULT match = SendDlgItemMessageW(dialog, comboId, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(text.c_str()));
    SendDlgItemMessageW(dialog, comboId, CB_DELETESTRING, static_cast<WPARAM>(match >= 0 ? match : kMovedOutEntry), 0);
    SendDlgItemMessageW(dialog, comboId, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendDlgItemMessageW(dialog, comboId, CB_SETCURSEL, 0, 0);
}

void FillFormHistoryCombo(HWND dialog, int comboId, UiContext* context, const DriverDevmode& record) {
    SendDlgItemMessageW(dialog, comboId, CB_RESETCONTENT, 0, 0);
    const bool named = !GetAnsi(record, dm::OverlayFolder).empty() || !GetAnsi(record, dm::OverlayName).empty();
    const std::u16string current = named ? OverlayPathText(record) : u"";
    if (context) {
        for (const std::u16string& path : FormHistoryStrings(ReadFormHistory(context->hPrinter))) {
            if (path.empty() || path == current) continue;
            SendDlgItemMessageW(dialog, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
        }
    }
    SendDlgItemMessageW(dialog, comboId, CB_SETCURSEL, 0, 0);
    if (!named) {
        SetDlgItemTextW(dialog, comboId, u"");
        return;
    }
    SetDlgItemTextW(dialog, comboId, WithNameOnDisk(current).c_str());
    MoveComboTextToTop(dialog, comboId);
}

// ---- Browse ----

std::u16string BrowseForOverlay(HWND owner, UiContext* context, DWORD fileChars, DWORD titleChars) {
    WCHAR text[256] = {};
    const int n = context ? LoadStringW(context->hResDll, ids::kTextOverlayFilter, text, 256) : 0;
    std::u16string filter(text, n > 0 ? static_cast<size_t>(n) : 0);
    if (!filter.empty()) {
        const char16_t separator = filter.back();
        for (char16_t& c : filter)
            if (c == separator) c = 0;
    }
    filter.push_back(0);
    std::u16string file(fileChars, u'\0');
    std::u16string title(titleChars, u'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = fileChars;
    ofn.lpstrFileTitle = title.data();
    ofn.nMaxFileTitle = titleChars;
    ofn.lpstrInitialDir = kCurrentDirectory;
    ofn.Flags = kBrowseFlags;
    if (!GetOpenFileNameW(&ofn)) return {};
    file.resize(std::char_traits<char16_t>::length(file.c_str()));
    return file;
}

}  // namespace orla
