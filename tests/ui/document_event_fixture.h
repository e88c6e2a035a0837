// The application around the document events: a host program with a file name and version, a
// window station and desktop, and a printer device context whose escapes are logged and answered
// as the test says (stamp records by escape), with ResetDC, the work area and the two print-time
// dialogs as doubles. One job of the sample printer is open while a test runs.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/driver_devmode.h"
#include "core/stamp_record.h"
#include "ui/entry/document_event_system.h"
#include "ui/entry/document_events.h"
#include "ui_fixture.h"
#include "win/registry.h"
#include "win/version.h"

namespace orla_ui_test {

struct EscapeCall {
    int code;
    std::vector<BYTE> input;
    int outputSize;
};

struct FakeApplication {
    std::u16string modulePath = u"C:\\Windows\\System32\\NOTEPAD.EXE";
    std::optional<DWORD> versionMS;  // none: the file has no version resource
    std::u16string station = u"WinSta0";
    std::u16string desktop = u"Default";
    std::map<int, int> answers;                 // escape -> its answer (1 when not named)
    std::map<int, std::vector<BYTE>> stampOut;  // escape -> the record it writes
    std::vector<EscapeCall> escapes;
    bool resetSucceeds = true;
    std::vector<std::vector<BYTE>> resets;  // the records ResetDC was given
    std::optional<RECT> workArea;
    // The print-time dialogs.
    int dialogs = 0;
    std::u16string dialogCaption;
    std::function<void(orla::UiContext*)> onDialog;
    BOOL dialogAnswer = TRUE;
    int popups = 0;
    std::function<void(orla::UiContext*)> onPopup;
    INT_PTR popupAnswer = 1;

    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const EscapeCall& e : escapes) codes.push_back(e.code);
        return codes;
    }
};

// The application of the running test (the doubles are plain functions).
inline FakeApplication*& CurrentApplication() {
    static FakeApplication* app = nullptr;
    return app;
}

namespace fake {

inline int APIENTRY ExtEscape(HDC, int escape, int cbInput, LPCSTR input, int cbOutput, LPSTR output) {
    FakeApplication& app = *CurrentApplication();
    EscapeCall call{escape, {}, cbOutput};
    if (input != nullptr && cbInput > 0) call.input.assign(input, input + cbInput);
    app.escapes.push_back(call);
    auto record = app.stampOut.find(escape);
    if (record != app.stampOut.end() && output != nullptr)
        std::memcpy(output, record->second.data(), std::min<size_t>(record->second.size(), size_t(cbOutput)));
    auto answer = app.answers.find(escape);
    return answer == app.answers.end() ? 1 : answer->second;
}

inline HDC APIENTRY ResetDC(HDC hdc, const DEVMODEW* devmode) {
    FakeApplication& app = *CurrentApplication();
    const BYTE* bytes = reinterpret_cast<const BYTE*>(devmode);
    app.resets.emplace_back(bytes, bytes + devmode->dmSize + devmode->dmDriverExtra);
    return app.resetSucceeds ? hdc : nullptr;
}

inline DWORD APIENTRY ModuleFileName(HMODULE module, LPWSTR name, DWORD cch) {
    const std::u16string& path = CurrentApplication()->modulePath;
    if (module != nullptr || cch <= path.size()) return 0;
    path.copy(name, path.size());
    name[path.size()] = 0;
    return static_cast<DWORD>(path.size());
}

inline DWORD APIENTRY VersionSize(LPCWSTR, LPDWORD handle) {
    *handle = 0;
    return CurrentApplication()->versionMS ? sizeof(VS_FIXEDFILEINFO) : 0;
}

inline BOOL APIENTRY VersionInfo(LPCWSTR, DWORD, DWORD size, LPVOID data) {
    const auto& version = CurrentApplication()->versionMS;
    if (!version || size < sizeof(VS_FIXEDFILEINFO)) return FALSE;
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwFileVersionMS = *version;
    std::memcpy(data, &fixed, sizeof fixed);
    return TRUE;
}

inline BOOL APIENTRY QueryValue(LPCVOID block, LPCWSTR path, LPVOID* value, UINT* length) {
    if (std::u16string_view(path) != u"\\") return FALSE;
    *value = const_cast<LPVOID>(block);
    *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

inline const HWINSTA kStation = reinterpret_cast<HWINSTA>(0x51);
inline const HDESK kDesktop = reinterpret_cast<HDESK>(0x52);

inline HWINSTA APIENTRY Station(void) {
    return kStation;
}
inline HDESK APIENTRY Desktop(DWORD) {
    return kDesktop;
}
inline BOOL APIENTRY ObjectInformation(HANDLE object, int index, PVOID info, DWORD cbInfo, LPDWORD needed) {
    const FakeApplication& app = *CurrentApplication();
    const bool station = object == static_cast<HANDLE>(kStation), desktop = object == static_cast<HANDLE>(kDesktop);
    if (index != UOI_NAME || (!station && !desktop)) return FALSE;
    const std::u16string& name = station ? app.station : app.desktop;
    const DWORD bytes = static_cast<DWORD>(2 * (name.size() + 1));
    if (needed != nullptr) *needed = bytes;
    if (cbInfo < bytes) return FALSE;
    std::memcpy(info, name.c_str(), bytes);
    return TRUE;
}

inline BOOL APIENTRY Parameters(UINT action, UINT, PVOID value, UINT) {
    const auto& area = CurrentApplication()->workArea;
    if (action != SPI_GETWORKAREA || !area) return FALSE;
    *static_cast<RECT*>(value) = *area;
    return TRUE;
}

inline BOOL JobSettingsDialog(orla::UiContext* context) {
    FakeApplication& app = *CurrentApplication();
    ++app.dialogs;
    app.dialogCaption = context->printerName;
    if (app.onDialog) app.onDialog(context);
    return app.dialogAnswer;
}

inline INT_PTR AccountPopup(orla::UiContext* context) {
    FakeApplication& app = *CurrentApplication();
    ++app.popups;
    if (app.onPopup) app.onPopup(context);
    return app.popupAnswer;
}

}  // namespace fake

inline constexpr orla::DocumentEventSystem kFakeSystem{
    fake::ExtEscape,         fake::ResetDC,    fake::ModuleFileName,    fake::VersionSize,
    fake::VersionInfo,       fake::QueryValue, fake::Station,           fake::Desktop,
    fake::ObjectInformation, fake::Parameters, fake::JobSettingsDialog, fake::AccountPopup,
};

// The application's printer device context as the events see it.
inline const HDC kAppDc = reinterpret_cast<HDC>(0x5A5A);

inline constexpr DWORD FileVersionMS(WORD major, WORD minor) {
    return (DWORD{major} << 16) | minor;
}

class DocumentEventTest : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        InstallSamplePrinter();
        ASSERT_FALSE(HasFatalFailure());
        CurrentApplication() = &app_;
    }
    void TearDown() override {
        CurrentApplication() = nullptr;
        if (jobPrinter_ != nullptr) {
            AbortPrinter(jobPrinter_);
            ClosePrinter(jobPrinter_);
        }
        UiSandbox::TearDown();
    }

    // A job of the printer with that document name and, when given, those settings.
    void StartJob(const char16_t* document, const orla::DriverDevmode* settings = nullptr) {
        PRINTER_DEFAULTSW defaults{nullptr, settings ? const_cast<DEVMODEW*>(orla::AsDevmode(*settings)) : nullptr,
                                   PRINTER_ACCESS_USE};
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"Halvoric"), &jobPrinter_, &defaults));
        DOC_INFO_1W doc{const_cast<LPWSTR>(document), nullptr, const_cast<LPWSTR>(u"RAW")};
        jobId_ = StartDocPrinterW(jobPrinter_, 1, reinterpret_cast<LPBYTE>(&doc));
        ASSERT_NE(jobId_, 0u);
    }

    LONG StartDocPost() {
        DWORD job = jobId_;
        return orla::HandleDocumentEvent(kFakeSystem, printer_, kAppDc, orla::kDocumentEventStartDocPost, sizeof job,
                                         &job, 0, nullptr);
    }
    LONG EndPage() {
        return orla::HandleDocumentEvent(kFakeSystem, printer_, kAppDc, orla::kDocumentEventEndPage, 0, nullptr, 0,
                                         nullptr);
    }

    // A REG_DWORD under HKEY_CURRENT_USER.
    static void PutUserDword(const std::u16string& path, const char16_t* name, DWORD value) {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static void PutUserBinary(const std::u16string& path, const char16_t* name, const std::vector<BYTE>& bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static std::vector<BYTE> UserBinary(const std::u16string& path, const char16_t* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
        BYTE buffer[512];
        DWORD type = 0, size = sizeof buffer;
        const LONG rc = RegQueryValueExW(key, name, nullptr, &type, buffer, &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS) return {};
        return std::vector<BYTE>(buffer, buffer + size);
    }

    void SwitchDialog(DWORD on) { PutUserDword(u"Software\\QEV\\MOPYING\\Halvoric", u"MOPYING_UIOpen", on); }

    FakeApplication app_;
    HANDLE jobPrinter_ = nullptr;
    DWORD jobId_ = 0;
};

}  // namespace orla_ui_test
