// The stamp and overlay page alone in a property sheet, run by a scripted user, with the factory
// stamps stored, the scripted message boxes and file dialogs, overlay files made on the spot and
// the "DAT_FormHistory" value written around the code under test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/form_overlay.h"
#include "plat/message_box.h"
#include "plat/open_file_dialog.h"
#include "tests/pages/page_sheet.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/pages/stamp_page.h"
#include "ui/tools/overlay_paths.h"
#include "ui/tools/stamp_store.h"
#include "win/kernel.h"
#include "win/property_sheet.h"
#include "win/spool.h"
#include "win/user_controls.h"

namespace pages_test {

namespace page_ids = orla_res::stamp_page;

// A header the sample printer takes: made for and printed on A4, portrait, first hopper.
inline orla::FormOverlayHeader OverlayHeaderOf(DWORD madeFor = orla::kOverlayPaperA4,
                                               DWORD printOn = orla::kOverlayPaperA4,
                                               const char* signatureLine = "QEV Quintarc Form Object\n") {
    orla::FormOverlayHeader h{};
    std::memcpy(h.bytes, signatureLine, std::strlen(signatureLine));
    const auto put = [&h](unsigned at, DWORD v) {
        for (int i = 0; i < 4; ++i) h.bytes[at + i] = static_cast<BYTE>(v >> (8 * i));
    };
    put(orla::ovl::kLanguage, 2);
    put(orla::ovl::kTray, 1);
    put(orla::ovl::kMadeFor, madeFor);
    put(orla::ovl::kPrintOn, printOn);
    h.bytes[orla::ovl::kMadeForOrientation] = 'P';
    h.bytes[orla::ovl::kPrintOnOrientation] = 'P';
    return h;
}

inline std::u16string ControlText(HWND dialog, int id) {
    WCHAR text[300] = {};
    const UINT n = GetDlgItemTextW(dialog, id, text, 300);
    return std::u16string(text, n);
}
// The items of a combo, in order.
inline std::vector<std::u16string> ComboItems(HWND dialog, int id) {
    std::vector<std::u16string> items;
    const auto n = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        WCHAR text[300] = {};
        SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.emplace_back(text);
    }
    return items;
}

class StampPageSheet : public PageSheet {
protected:
    void SetUp() override {
        PageSheet::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ui_->flags |= orla::kUiCanChange | orla::kUiDataWritable;
        orla::ResetStamps(printer_, orla::kResetAllStamps);
        PlatResetBeeps();
        PlatResetOpenFileDialogs();
        CreateDirectoryW(u"C:\\forms", nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(PlatPendingMessageBoxAnswers(), 0u) << "every scripted answer was asked for";
        EXPECT_EQ(PlatUnexpectedOpenFileCount(), 0u);
        EXPECT_EQ(PlatPendingOpenFileAnswers(), 0u);
        PlatResetOpenFileDialogs();
        PageSheet::TearDown();
    }

    INT_PTR Run(uitest::Script& script) { return RunPage(script, page_ids::kTemplatePage, orla::StampPageProc); }

    static void PutFile(const char16_t* path, const void* bytes, size_t size) {
        HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(h, bytes, static_cast<DWORD>(size), &written, nullptr));
        CloseHandle(h);
    }
    static void PutOverlay(const char16_t* path, const orla::FormOverlayHeader& header) {
        PutFile(path, header.bytes, sizeof header.bytes);
    }
    // The current record's overlay: on or off, folder and name.
    void SetOverlay(bool on, const char* folder, const char* name) {
        orla::DriverDevmode& r = ui_->currentDevmode;
        const WORD flags = Get(r, orla::dm::FlagsWord);
        Set(r, orla::dm::FlagsWord, static_cast<WORD>(on ? flags | orla::kFlagsWordOverlayOn : flags & ~1u));
        SetAnsi(r, orla::dm::OverlayFolder, folder);
        SetAnsi(r, orla::dm::OverlayName, name);
    }
    // "DAT_FormHistory" as the strings given, each with its NUL.
    void PutHistory(const std::vector<std::u16string>& paths) {
        std::vector<BYTE> value;
        for (const std::u16string& p : paths) {
            for (char16_t c : p) {
                value.push_back(static_cast<BYTE>(c & 0xFF));
                value.push_back(static_cast<BYTE>(c >> 8));
            }
            value.push_back(0);
            value.push_back(0);
        }
        WCHAR name[] = u"DAT_FormHistory";
        ASSERT_EQ(SetPrinterDataW(printer_, name, REG_BINARY, value.data(), static_cast<DWORD>(value.size())),
                  static_cast<DWORD>(ERROR_SUCCESS));
    }
    std::u16string Text(UINT id) { return orla_ui_test::ResourceText(printer_, id); }
    static PLAT_MESSAGE_BOX_RECORD Box(DWORD index) {
        PLAT_MESSAGE_BOX_RECORD box{};
        EXPECT_TRUE(PlatGetMessageBox(index, &box)) << "box " << index;
        return box;
    }
};

}  // namespace pages_test
