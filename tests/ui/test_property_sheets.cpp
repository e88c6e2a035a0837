// The driver's property sheets through compstui: the sheet's life in order, Cancel leaving the
// caller's record alone, OK handing back a record the conversion export accepts, refused pages
// that leave nothing behind; the page context's small-icon table; context help on its own
// thread, given up after ten seconds without touching the caller.
#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "outside/compstui/compstui_script.h"
#include "outside/htmlhelp/html_help_script.h"
#include "plat/control.h"
#include "plat/threads.h"
#include "plat/window_test.h"
#include "ui/pages/context_help.h"
#include "ui/pages/page_creation.h"
#include "ui_fixture.h"
#include "win/compstui.h"
#include "win/printer_ui.h"
#include "win/user_gdi.h"

using namespace orla_ui_test;

namespace {

constexpr bool kJapaneseBuild = ORLA_JAPANESE != 0;

typedef LONG (*DocumentPropertiesFn)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD);
typedef LONG (*AdvancedPropertiesFn)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW);
typedef BOOL (*PrinterPropertiesFn)(HWND, HANDLE);
typedef BOOL (*ConvertDevModeFn)(LPWSTR, PDEVMODEW, PDEVMODEW, PLONG, DWORD);
typedef LONG (*SheetFn)(PPROPSHEETUI_INFO, LPARAM);

// The scripted user: one action per turn of the sheet's modal loop.
struct UserScript {
    std::vector<std::function<BOOL(HWND)>> steps;
    size_t next = 0;
    static BOOL Turn(HWND dialog, void* self) {
        auto* s = static_cast<UserScript*>(self);
        if (s->next >= s->steps.size()) return FALSE;
        return s->steps[s->next++](dialog);
    }
};
std::function<BOOL(HWND)> Press(int id) {
    return [id](HWND sheet) { return PlatPressButton(sheet, id); };
}
std::function<BOOL(HWND)> ShowPage(int index) {
    return [index](HWND sheet) {
        SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
        return TRUE;
    };
}

class PropertySheets : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        PlatSetModalIdleHandler(UserScript::Turn, &script_);
    }
    void TearDown() override {
        PlatSetModalIdleHandler(nullptr, nullptr);
        if (compstuiReset_) compstuiReset_();
        dll_.reset();
        compstui_.reset();
        UiSandbox::TearDown();
    }
    void Install() {
        InstallSamplePrinter("HV4400KJ.KDD", u"Halvoric", kSampleHelpFile);
        const std::u16string path = driverDir_ + u"\\" + Widen(kInterfaceDllFile);
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/" + kInterfaceDllFile).c_str(), path.c_str()));
        ASSERT_TRUE(PlatCopyIntoSandbox((BinDir() + "/compstui.dll").c_str(), u"C:\\Windows\\System32\\compstui.dll"));
        dll_.reset(LoadLibraryW(path.c_str()));
        ASSERT_NE(dll_, nullptr);
        // Held by the test too, so its log and script outlive the driver's own load and free.
        compstui_.reset(LoadLibraryW(u"C:\\Windows\\System32\\compstui.dll"));
        ASSERT_NE(compstui_, nullptr);
        compstuiLog_ = ProcEntry<PFN_CompstuiCallLog>(compstui_.get(), "CompstuiCallLog");
        compstuiRefuse_ = ProcEntry<PFN_CompstuiRefusePage>(compstui_.get(), "CompstuiRefusePage");
        compstuiReset_ = ProcEntry<PFN_CompstuiReset>(compstui_.get(), "CompstuiReset");
        docProps_ = ProcEntry<DocumentPropertiesFn>(dll_.get(), "DrvDocumentProperties");
        advanced_ = ProcEntry<AdvancedPropertiesFn>(dll_.get(), "DrvAdvancedDocumentProperties");
        printerProps_ = ProcEntry<PrinterPropertiesFn>(dll_.get(), "PrinterProperties");
        convert_ = ProcEntry<ConvertDevModeFn>(dll_.get(), "DrvConvertDevMode");
        ASSERT_TRUE(compstuiLog_ && compstuiRefuse_ && compstuiReset_ && docProps_ && advanced_ && printerProps_ &&
                    convert_);
        compstuiReset_();
    }
    // The printer's defaults as a caller gets them without a sheet.
    std::vector<BYTE> Defaults() {
        const LONG size = docProps_(nullptr, printer_, nullptr, nullptr, nullptr, 0);
        std::vector<BYTE> record(static_cast<size_t>(size));
        EXPECT_EQ(docProps_(nullptr, printer_, nullptr, Dm(record), nullptr, DM_COPY), IDOK);
        return record;
    }
    static DEVMODEW* Dm(std::vector<BYTE>& bytes) { return reinterpret_cast<DEVMODEW*>(bytes.data()); }
    std::u16string SheetLog() { return ReadTwoCallLog(compstuiLog_); }

    UserScript script_;
    LibraryPtr dll_;
    LibraryPtr compstui_;
    PFN_CompstuiCallLog compstuiLog_ = nullptr;
    PFN_CompstuiRefusePage compstuiRefuse_ = nullptr;
    PFN_CompstuiReset compstuiReset_ = nullptr;
    DocumentPropertiesFn docProps_ = nullptr;
    AdvancedPropertiesFn advanced_ = nullptr;
    PrinterPropertiesFn printerProps_ = nullptr;
    ConvertDevModeFn convert_ = nullptr;
};

}  // namespace

// OK and Cancel on the document sheet: the reasons in their order, the answer, and what the
// caller's record holds afterwards.
TEST_F(PropertySheets, DocumentSheetLifeOnOkAndCancel) {
    ASSERT_NO_FATAL_FAILURE(Install());
    struct Case {
        int button;
        LONG answer;
        const char16_t* log;
        bool recordWritten;
    } const cases[] = {
        {IDOK, IDOK,
         u"ADD_HPROPSHEETPAGE 1\nADD_HPROPSHEETPAGE 2\nADD_HPROPSHEETPAGE 3\nADD_HPROPSHEETPAGE 4\n"
         u"ADD_HPROPSHEETPAGE 5\nINIT -> 1\nGET_INFO_HEADER -> 1\nSET_RESULT -> 1\nSHEET -> 1\nDESTROY -> 1\n",
         true},
        {IDCANCEL, IDCANCEL,
         u"ADD_HPROPSHEETPAGE 1\nADD_HPROPSHEETPAGE 2\nADD_HPROPSHEETPAGE 3\nADD_HPROPSHEETPAGE 4\n"
         u"ADD_HPROPSHEETPAGE 5\nINIT -> 1\nGET_INFO_HEADER -> 1\nSHEET -> 0\nDESTROY -> 1\n",
         false},
    };
    std::vector<BYTE> in = Defaults();
    const DWORD images = PlatLiveImageListCount();
    for (const Case& c : cases) {
        compstuiReset_();
        script_ = {{Press(c.button)}};
        std::vector<BYTE> out(in.size(), 0xAB);
        const std::vector<BYTE> untouched = out;
        EXPECT_EQ(docProps_(nullptr, printer_, const_cast<LPWSTR>(u"Halvoric"), Dm(out), Dm(in), DM_COPY | DM_PROMPT),
                  c.answer)
            << c.button;
        EXPECT_EQ(SheetLog(), c.log) << c.button;
        EXPECT_EQ(out != untouched, c.recordWritten) << c.button;
        EXPECT_EQ(PlatLiveImageListCount(), images) << c.button;  // the page context let its lists go
        if (!c.recordWritten) continue;
        // The record handed back converts like any record of this driver.
        std::vector<BYTE> converted = in;  // the target's own version: the driver's current record
        Dm(converted)->dmCopies = 9;
        LONG needed = static_cast<LONG>(converted.size());
        EXPECT_TRUE(convert_(const_cast<LPWSTR>(u"Halvoric"), Dm(out), Dm(converted), &needed, CDM_CONVERT));
        EXPECT_EQ(Dm(converted)->dmCopies, Dm(out)->dmCopies);
        EXPECT_EQ(Dm(out)->dmDriverExtra, Dm(in)->dmDriverExtra);
        // The basic page moves the section trays off the manual slot this printer lacks, onto the
        // cassette; nothing else was changed on the pages.
        std::vector<BYTE> expected = in;
        for (auto f :
             {orla::dm::FirstSheetTray, orla::dm::SectionTray, orla::dm::FrontCoverTray, orla::dm::BackCoverTray})
            if (orla::Get(std::span<const BYTE>(expected), f) == 4) orla::Set(std::span<BYTE>(expected), f, DWORD{14});
        EXPECT_EQ(std::memcmp(out.data(), expected.data(), in.size()), 0);
    }
}

// Visiting every page before OK creates each page once and still ends in the same order.
TEST_F(PropertySheets, VisitingEveryPageThenOk) {
    ASSERT_NO_FATAL_FAILURE(Install());
    std::vector<BYTE> in = Defaults();
    std::vector<BYTE> out(in.size());
    script_ = {{ShowPage(1), ShowPage(2), ShowPage(3), ShowPage(4), ShowPage(0), Press(IDOK)}};
    EXPECT_EQ(docProps_(nullptr, printer_, nullptr, Dm(out), Dm(in), DM_COPY | DM_PROMPT), IDOK);
    EXPECT_EQ(script_.next, script_.steps.size());
    EXPECT_NE(SheetLog().find(u"SET_RESULT -> 1\nSHEET -> 1\nDESTROY -> 1\n"), std::u16string::npos);
}

// A page compstui refuses ends INIT with -1; the pages it already holds are released after the
// driver tore its context down, and nothing of the page context is left (no image list, no
// crash on the release of the first page).
TEST_F(PropertySheets, RefusedPageLeavesNothingBehind) {
    ASSERT_NO_FATAL_FAILURE(Install());
    std::vector<BYTE> in = Defaults();
    const DWORD images = PlatLiveImageListCount();
    const DWORD icons = PlatLiveIconCount();
    struct Case {
        bool device;
        UINT refused;
    } const cases[] = {{false, 1}, {false, 2}, {false, 5}, {true, 1}, {true, 2}};
    for (const Case& c : cases) {
        compstuiReset_();
        compstuiRefuse_(c.refused);
        if (c.device) {
            EXPECT_FALSE(printerProps_(nullptr, printer_)) << c.refused;
        } else {
            std::vector<BYTE> out(in.size(), 0xAB);
            const std::vector<BYTE> untouched = out;
            EXPECT_EQ(docProps_(nullptr, printer_, nullptr, Dm(out), Dm(in), DM_COPY | DM_PROMPT), -1) << c.refused;
            EXPECT_EQ(out, untouched) << c.refused;
        }
        const std::u16string log = SheetLog();
        EXPECT_NE(log.find(u"refused\nINIT -> -1\n"), std::u16string::npos) << c.refused;
        EXPECT_EQ(log.find(u"DESTROY"), std::u16string::npos) << c.refused;
        EXPECT_EQ(PlatLiveImageListCount(), images) << c.device << c.refused;
        EXPECT_EQ(PlatLiveIconCount(), icons) << c.device << c.refused;
    }
}

// The device sheet and the advanced document sheet open, and their OK answers TRUE.
TEST_F(PropertySheets, DeviceAndAdvancedSheetsOpen) {
    ASSERT_NO_FATAL_FAILURE(Install());
    script_ = {{Press(IDOK)}};
    EXPECT_TRUE(printerProps_(nullptr, printer_));
    EXPECT_NE(SheetLog().find(u"ADD_HPROPSHEETPAGE 2\nINIT -> 1"), std::u16string::npos);
    EXPECT_EQ(SheetLog().find(u"ADD_HPROPSHEETPAGE 3"), std::u16string::npos);  // two device pages

    compstuiReset_();
    std::vector<BYTE> in = Defaults();
    std::vector<BYTE> out(in.size());
    script_ = {{Press(IDOK)}};
    EXPECT_EQ(advanced_(nullptr, printer_, nullptr, Dm(out), Dm(in)), 1);
    EXPECT_EQ(advanced_(nullptr, printer_, nullptr, nullptr, Dm(in)), static_cast<LONG>(in.size()));  // size query
}

// The sheet callbacks refuse what is not theirs: no request, no header, a stranger's UserData.
TEST_F(PropertySheets, CallbacksRefuseBadRequests) {
    ASSERT_NO_FATAL_FAILURE(Install());
    auto document = ProcEntry<SheetFn>(dll_.get(), "DrvDocumentPropertySheets");
    auto device = ProcEntry<SheetFn>(dll_.get(), "DrvDevicePropertySheets");
    ASSERT_TRUE(document && device);
    DOCUMENTPROPERTYHEADER header{sizeof header, 0, printer_, nullptr, nullptr, nullptr, 0, 0};
    const LONG size = docProps_(nullptr, printer_, nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(document(nullptr, reinterpret_cast<LPARAM>(&header)), size);  // no request: the size query
    EXPECT_EQ(device(nullptr, 0), -1);
    DWORD stranger[4] = {0x12345678, 0, 0, 0};
    PROPSHEETUI_INFO info{sizeof info,
                          PROPSHEETUI_INFO_VERSION,
                          0,
                          PROPSHEETUI_REASON_DESTROY,
                          nullptr,
                          nullptr,
                          reinterpret_cast<LPARAM>(&header),
                          reinterpret_cast<ULONG_PTR>(stranger),
                          0};
    EXPECT_EQ(document(&info, 0), -1);
    EXPECT_EQ(stranger[0], 0x12345678u);
    info.lParamInit = 0;
    EXPECT_EQ(device(&info, 0), -1);
}
