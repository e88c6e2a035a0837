// The stamp editor's sandbox: the sample printer with its factory stamps, a page context, the
// scripted message boxes and file dialogs, bitmap files made on the spot, and the stamp in the
// scratch record as the stamp page and the print-time dialog put it there.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/little_endian.h"
#include "core/stamp_record.h"
#include "plat/message_box.h"
#include "plat/open_file_dialog.h"
#include "tests/pages/page_fixture.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/pages/stamp_editor.h"
#include "ui/pages/stamp_fields.h"
#include "ui/tools/stamp_store.h"
#include "win/kernel.h"

namespace pages_test {

namespace stamp_ids = orla_res::stamp_editor;

// A bitmap file: file header, BITMAPINFOHEADER and rows of one colour (bottom-up).
inline std::vector<BYTE> BitmapFile(LONG width, LONG height, WORD bits, BYTE grey) {
    const DWORD rowBytes = ((static_cast<DWORD>(width) * bits + 31) / 32) * 4;
    const DWORD palette = bits <= 8 ? (1u << bits) * 4 : 0;
    const DWORD offset = 14 + 40 + palette;
    std::vector<BYTE> file(offset + rowBytes * static_cast<DWORD>(height), grey);
    file[0] = 'B';
    file[1] = 'M';
    orla::WriteLe32(file.data(), 2, static_cast<DWORD>(file.size()));
    orla::WriteLe32(file.data(), 6, 0);
    orla::WriteLe32(file.data(), 10, offset);
    BYTE* info = file.data() + 14;
    std::fill(info, info + 40 + palette, BYTE{0});
    orla::WriteLe32(info, 0, 40);
    orla::WriteLe32(info, 4, static_cast<DWORD>(width));
    orla::WriteLe32(info, 8, static_cast<DWORD>(height));
    orla::WriteLe16(info, 12, 1);
    orla::WriteLe16(info, 14, bits);
    for (DWORD i = 0; i < palette / 4; ++i)  // a grey ramp, entry 0 the colour of the rows
        for (int c = 0; c < 3; ++c) info[40 + i * 4 + c] = static_cast<BYTE>(i == 0 ? grey : i);
    if (bits <= 8) std::fill(file.begin() + offset, file.end(), BYTE{0});
    return file;
}

class StampEditorSandbox : public PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        orla::ResetStamps(printer_, orla::kResetAllStamps);
        PlatResetMessageBoxes();
        PlatResetBeeps();
        PlatResetOpenFileDialogs();
        CreateDirectoryW(u"C:\\Stamps", nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
        EXPECT_EQ(PlatPendingMessageBoxAnswers(), 0u) << "every scripted answer was asked for";
        EXPECT_EQ(PlatUnexpectedOpenFileCount(), 0u);
        PlatResetMessageBoxes();
        PlatResetOpenFileDialogs();
        PageSandbox::TearDown();
    }

    BYTE* Scratch() { return ui_->scratchDevmode.bytes + orla::dm::StampRecord.offset; }
    BYTE* Current() { return ui_->currentDevmode.bytes + orla::dm::StampRecord.offset; }

    // As the stamp page's edit button: the stored stamp selected and copied to the scratch record.
    void EditStored(WORD number) {
        Set(ui_->currentDevmode, orla::dm::StampNumber, DWORD{number});
        orla::LoadStampsIntoContext(ui_.get());
        ui_->scratchDevmode = ui_->currentDevmode;
    }
    // As the stamp page's new-stamp button: number 21, a text stamp of the new-stamp values.
    void NewStamp() {
        ui_->scratchDevmode = ui_->currentDevmode;
        BYTE* s = Scratch();
        std::fill(s, s + orla::kStampRecordSize, BYTE{0});
        orla::StampSet(s, orla::stamp::kNumber, WORD{21});
        orla::StampSet(s, orla::stamp::kPosition, DWORD{4});
        orla::StampSet(s, orla::stamp::kTextSize, SHORT{720});
        orla::StampSet(s, orla::stamp::kScale, SHORT{100});
        orla::StampSet(s, orla::stamp::kAngle, SHORT{2});
        orla::StampSet(s, orla::stamp::kWeight, WORD{700});
        orla::StampSet(s, orla::stamp::kOverlayMode, DWORD{1});
        orla::StampSet(s, orla::stamp::kGrey, DWORD{3044});
        orla::StampSet(s, orla::stamp::kMode, DWORD{3065});
        orla::SetStampWideText(s, orla::stamp::kFaceName, u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF");
    }

    INT_PTR Run(UINT templateId, uitest::Script& script) {
        uitest::ScriptScope scope(script);
        return orla::OpenStampEditor(&page_, nullptr, templateId);
    }

    // Writes a file of the sandbox (a Windows path).
    static void PutFile(const char16_t* path, const std::vector<BYTE>& bytes) {
        HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        EXPECT_EQ(written, bytes.size());
        CloseHandle(h);
    }

    // The texts of the message boxes shown, in order, as ids of the language resource DLL (0 for a
    // text that is none of the candidates).
    std::vector<UINT> ShownMessages(const std::vector<UINT>& candidates) {
        std::vector<UINT> shown;
        for (DWORD i = 0; i < PlatMessageBoxCount(); ++i) {
            PLAT_MESSAGE_BOX_RECORD box{};
            EXPECT_TRUE(PlatGetMessageBox(i, &box));
            UINT id = 0;
            for (UINT c : candidates)
                if (std::u16string(box.text) == orla_ui_test::ResourceText(printer_, c)) id = c;
            shown.push_back(id);
        }
        return shown;
    }

    std::u16string StoredName(WORD number) {
        WCHAR text[65] = {};
        orla::ReadStampText(printer_, number, text);
        return reinterpret_cast<const char16_t*>(text);
    }
    size_t StoredCount() { return orla::ReadStoredStamps(printer_).size() / orla::kStampRecordSize; }
};

}  // namespace pages_test
