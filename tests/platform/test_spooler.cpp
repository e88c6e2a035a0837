// The spooler's client side: printers, drivers, forms, printer data and jobs.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sandbox_fixture.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

constexpr char16_t kPrinter[] = u"QEV Halvoric 4400K";

std::string FileText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

class Spooler : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        PLAT_PRINTER_SETUP setup{};
        setup.printerName = kPrinter;
        setup.driverName = u"QEV Halvoric 4400K Driver";
        setup.portName = u"IP_192.168.0.10";
        setup.driverPath = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Quessa.dll";
        setup.dataFile = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\HALV4400.GPD";
        setup.configFile = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Talvex.dll";
        setup.helpFile = nullptr;
        setup.monitorName = u"Lostrel";
        ASSERT_TRUE(PlatInstallPrinter(&setup));
    }
    HANDLE Open(DWORD access = PRINTER_ALL_ACCESS, const char16_t* name = kPrinter) {
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
        HANDLE h = nullptr;
        EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(name), &h, &defaults));
        return h;
    }
};

TEST_F(Spooler, OpenPrinterByNameOnly) {
    HANDLE h = nullptr;
    EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(u"No Such Printer"), &h, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"qev halvoric 4400k"), &h, nullptr));
    EXPECT_TRUE(ClosePrinter(h));
    EXPECT_FALSE(ClosePrinter(h));
    PLAT_PRINTER_SETUP again{};
    again.printerName = kPrinter;
    again.driverName = u"x";
    again.portName = u"p";
    again.driverPath = again.dataFile = again.configFile = u"C:\\x";
    EXPECT_FALSE(PlatInstallPrinter(&again));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_ALREADY_EXISTS));
}

TEST_F(Spooler, GetPrinterLevelsWithTheTwoCallProtocol) {
    HANDLE h = Open();
    for (DWORD level : {1u, 2u, 4u, 5u}) {
        DWORD needed = 0;
        EXPECT_FALSE(GetPrinterW(h, level, nullptr, 0, &needed)) << level;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        ASSERT_GT(needed, 0u);
        std::vector<BYTE> buf(needed);
        EXPECT_FALSE(GetPrinterW(h, level, buf.data(), needed - 1, &needed));
        ASSERT_TRUE(GetPrinterW(h, level, buf.data(), needed, &needed)) << level;
        if (level == 2) {
            auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
            EXPECT_EQ(std::u16string(info->pPrinterName), kPrinter);
            EXPECT_EQ(std::u16string(info->pDriverName), u"QEV Halvoric 4400K Driver");
            EXPECT_EQ(std::u16string(info->pPortName), u"IP_192.168.0.10");
            EXPECT_EQ(info->pDevMode, nullptr);
            // Strings lie inside the caller's buffer.
            EXPECT_GE(reinterpret_cast<BYTE*>(info->pPortName), buf.data() + sizeof(PRINTER_INFO_2W));
            EXPECT_LT(reinterpret_cast<BYTE*>(info->pPortName), buf.data() + needed);
        }
        if (level == 5) {
            EXPECT_EQ(reinterpret_cast<PRINTER_INFO_5W*>(buf.data())->DeviceNotSelectedTimeout, 15000u);
        }
    }
    DWORD needed;
    EXPECT_FALSE(GetPrinterW(h, 3, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
    ClosePrinter(h);
}

TEST_F(Spooler, DevmodePersistsThroughSetPrinterAndRestart) {
    std::vector<BYTE> dm(sizeof(DEVMODEW) + 16, 0);
    auto* d = reinterpret_cast<DEVMODEW*>(dm.data());
    d->dmSize = sizeof(DEVMODEW);
    d->dmDriverExtra = 16;
    d->dmPaperSize = DMPAPER_A4;
    dm.back() = 0xAB;
    HANDLE user = Open(PRINTER_ACCESS_USE);
    DWORD needed = 0;
    GetPrinterW(user, 2, nullptr, 0, &needed);
    std::vector<BYTE> buf(needed);
    ASSERT_TRUE(GetPrinterW(user, 2, buf.data(), needed, &needed));
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    info->pDevMode = d;
    EXPECT_FALSE(SetPrinterW(user, 2, buf.data(), 0));  // needs administer access
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    HANDLE admin = Open();
    ASSERT_TRUE(SetPrinterW(admin, 2, buf.data(), 0));
    ClosePrinter(admin);
    ClosePrinter(user);
    PlatResetForTests();
    HANDLE h = Open(PRINTER_ACCESS_USE);
    GetPrinterW(h, 2, nullptr, 0, &needed);
    buf.assign(needed, 0);
    ASSERT_TRUE(GetPrinterW(h, 2, buf.data(), needed, &needed));
    info = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    ASSERT_NE(info->pDevMode, nullptr);
    EXPECT_EQ(info->pDevMode->dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(reinterpret_cast<BYTE*>(info->pDevMode)[sizeof(DEVMODEW) + 15], 0xAB);
    ClosePrinter(h);
    EXPECT_TRUE(PlatSetPrinterDevmode(kPrinter, nullptr, 0));
}

TEST_F(Spooler, EnumPrintersAndDriverInfo) {
    DWORD needed = 0, returned = 0;
    EXPECT_FALSE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned));
    std::vector<BYTE> buf(needed);
    ASSERT_TRUE(EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, buf.data(), needed, &needed, &returned));
    ASSERT_EQ(returned, 1u);
    EXPECT_EQ(std::u16string(reinterpret_cast<PRINTER_INFO_4W*>(buf.data())->pPrinterName), kPrinter);

    HANDLE h = Open(PRINTER_ACCESS_USE);
    EXPECT_FALSE(GetPrinterDriverW(h, nullptr, 3, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    buf.assign(needed, 0);
    ASSERT_TRUE(GetPrinterDriverW(h, nullptr, 3, buf.data(), needed, &needed));
    auto* d = reinterpret_cast<DRIVER_INFO_3W*>(buf.data());
    EXPECT_EQ(d->cVersion, 3u);
    EXPECT_EQ(std::u16string(d->pEnvironment), u"Windows NT x86");
    EXPECT_EQ(std::u16string(d->pConfigFile), u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Talvex.dll");
    EXPECT_EQ(std::u16string(d->pMonitorName), u"Lostrel");
    EXPECT_EQ(d->pHelpFile, nullptr);
    EXPECT_EQ(d->pDependentFiles[0], 0);
    EXPECT_FALSE(GetPrinterDriverW(h, const_cast<LPWSTR>(u"Windows x64"), 3, buf.data(), needed, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ENVIRONMENT));
    ASSERT_FALSE(GetPrinterDriverW(h, nullptr, 2, nullptr, 0, &needed));
    buf.assign(needed, 0);
    ASSERT_TRUE(GetPrinterDriverW(h, nullptr, 2, buf.data(), needed, &needed));
    auto* d2 = reinterpret_cast<DRIVER_INFO_2W*>(buf.data());
    EXPECT_EQ(std::u16string(d2->pName), u"QEV Halvoric 4400K Driver");
    EXPECT_EQ(std::u16string(d2->pDriverPath), u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\Quessa.dll");
    EXPECT_FALSE(GetPrinterDriverW(h, nullptr, 4, buf.data(), needed, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
    WCHAR dir[MAX_PATH];
    ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir, &needed));
    EXPECT_EQ(std::u16string(dir) + u"\\3", PlatDriverDirectory());
    ClosePrinter(h);
}

TEST_F(Spooler, EnumFormsTwoCallProtocolInTheSpoolersOrder) {
    HANDLE h = Open(PRINTER_ACCESS_USE);
    DWORD needed = 0, returned = 7;
    EXPECT_FALSE(EnumFormsW(h, 1, nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(returned, 0u);
    ASSERT_GT(needed, 118 * sizeof(FORM_INFO_1W));
    std::vector<BYTE> buf(needed);
    EXPECT_FALSE(EnumFormsW(h, 1, buf.data(), needed - 2, &needed, &returned));
    ASSERT_TRUE(EnumFormsW(h, 1, buf.data(), needed, &needed, &returned));
    ASSERT_EQ(returned, 118u);
    auto* forms = reinterpret_cast<FORM_INFO_1W*>(buf.data());
    struct Case {
        int dmpaper;
        const char16_t* name;
        LONG cx, cy;
    };
    const Case cases[] = {
        {1, u"Letter", 215900, 279400},
        {8, u"A3", 297000, 420000},
        {9, u"A4", 210000, 297000},
        {12, u"B4 (JIS)", 257000, 364000},
        {13, u"B5 (JIS)", 182000, 257000},
        {20, u"Envelope #10", 104775, 241300},
        {43, u"はがき", 100000, 148000},
        {69, u"往復はがき", 200000, 148000},
        {77, u"A4 横", 297000, 210000},
        {91, u"封筒 洋形 4 号", 105000, 235000},
        {82, u"往復はがき 横", 148000, 200000},
        {88, u"B6 (JIS)", 128000, 182000},
    };
    for (const auto& c : cases) {
        const FORM_INFO_1W& f = forms[c.dmpaper - 1];
        EXPECT_EQ(std::u16string(f.pName), c.name) << c.dmpaper;
        EXPECT_EQ(f.Size.cx, c.cx) << c.dmpaper;
        EXPECT_EQ(f.Size.cy, c.cy) << c.dmpaper;
        EXPECT_EQ(f.Flags, static_cast<DWORD>(FORM_BUILTIN));
        EXPECT_EQ(f.ImageableArea.right, c.cx);  // the full sheet
        EXPECT_EQ(f.ImageableArea.bottom, c.cy);
    }
    // An English system names the same forms in English.
    PlatSetAnsiCodePage(1252);
    ASSERT_TRUE(EnumFormsW(h, 1, nullptr, 0, &needed, &returned) || GetLastError() == ERROR_INSUFFICIENT_BUFFER);
    buf.assign(needed, 0);
    ASSERT_TRUE(EnumFormsW(h, 1, buf.data(), needed, &needed, &returned));
    forms = reinterpret_cast<FORM_INFO_1W*>(buf.data());
    EXPECT_EQ(std::u16string(forms[42].pName), u"Japanese Postcard");
    EXPECT_EQ(std::u16string(forms[91].pName), u"Japan Envelope You #4 Rotated");
    PlatSetAnsiCodePage(932);
    ClosePrinter(h);
}

TEST_F(Spooler, AddGetDeleteFormPersist) {
    FORM_INFO_1W form{FORM_PRINTER, const_cast<LPWSTR>(u"長尺紙"), {297000, 900000}, {0, 0, 297000, 900000}};
    HANDLE user = Open(PRINTER_ACCESS_USE);
    EXPECT_FALSE(AddFormW(user, 1, reinterpret_cast<BYTE*>(&form)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    HANDLE h = Open();
    ASSERT_TRUE(AddFormW(h, 1, reinterpret_cast<BYTE*>(&form)));
    EXPECT_FALSE(AddFormW(h, 1, reinterpret_cast<BYTE*>(&form)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    FORM_INFO_1W bad{FORM_USER, const_cast<LPWSTR>(u"Bad"), {0, 100}, {0, 0, 0, 100}};
    EXPECT_FALSE(AddFormW(h, 1, reinterpret_cast<BYTE*>(&bad)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FORM_SIZE));
    ClosePrinter(h);
    ClosePrinter(user);
    PlatResetForTests();
    h = Open();
    DWORD needed = 0, returned = 0;
    EnumFormsW(h, 1, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buf(needed);
    ASSERT_TRUE(EnumFormsW(h, 1, buf.data(), needed, &needed, &returned));
    ASSERT_EQ(returned, 119u);  // added forms follow the built-in ones
    auto* last = reinterpret_cast<FORM_INFO_1W*>(buf.data()) + 118;
    EXPECT_EQ(std::u16string(last->pName), u"長尺紙");
    EXPECT_EQ(last->Flags, static_cast<DWORD>(FORM_PRINTER));
    EXPECT_EQ(last->Size.cy, 900000);
    EXPECT_FALSE(GetFormW(h, const_cast<LPWSTR>(u"長尺紙"), 1, nullptr, 0, &needed));
    buf.assign(needed, 0);
    ASSERT_TRUE(GetFormW(h, const_cast<LPWSTR>(u"長尺紙"), 1, buf.data(), needed, &needed));
    EXPECT_EQ(reinterpret_cast<FORM_INFO_1W*>(buf.data())->Size.cx, 297000);
    EXPECT_FALSE(DeleteFormW(h, const_cast<LPWSTR>(u"A4")));  // built-in forms stay
    ASSERT_TRUE(DeleteFormW(h, const_cast<LPWSTR>(u"長尺紙")));
    EXPECT_FALSE(GetFormW(h, const_cast<LPWSTR>(u"長尺紙"), 1, buf.data(), needed, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FORM_NAME));
    ClosePrinter(h);
}

TEST_F(Spooler, PrinterDataTwoCallProtocolAndPersistence) {
    HANDLE h = Open();
    const BYTE table[] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(SetPrinterDataW(h, const_cast<LPWSTR>(u"TBL_OutPaperTable"), REG_BINARY, const_cast<BYTE*>(table),
                              sizeof table),
              static_cast<DWORD>(ERROR_SUCCESS));
    DWORD dw = 3;
    ASSERT_EQ(SetPrinterDataExW(h, u"PrinterDriverData", u"DAT_AddForms", REG_DWORD, reinterpret_cast<BYTE*>(&dw), 4),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(SetPrinterDataExW(h, u"DsDriver", u"printColor", REG_DWORD, reinterpret_cast<BYTE*>(&dw), 4),
              static_cast<DWORD>(ERROR_SUCCESS));
    ClosePrinter(h);
    PlatResetForTests();
    h = Open(PRINTER_ACCESS_USE);
    DWORD type = 0, needed = 0;
    EXPECT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(u"TBL_OutPaperTable"), &type, nullptr, 0, &needed),
              static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(needed, sizeof table);
    BYTE out[16] = {};
    EXPECT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(u"TBL_OutPaperTable"), &type, out, 5, &needed),
              static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(out[0], 0);  // nothing copied into a small buffer
    ASSERT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(u"TBL_OutPaperTable"), &type, out, sizeof out, &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), needed), std::string(reinterpret_cast<const char*>(table), 6));
    DWORD read = 0;
    ASSERT_EQ(
        GetPrinterDataW(h, const_cast<LPWSTR>(u"DAT_AddForms"), &type, reinterpret_cast<BYTE*>(&read), 4, &needed),
        static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(GetPrinterDataExW(h, u"DsDriver", u"printColor", &type, reinterpret_cast<BYTE*>(&read), 4, &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GetPrinterDataW(h, const_cast<LPWSTR>(u"Missing"), &type, out, sizeof out, &needed),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    // Changing printer data needs administer access.
    EXPECT_EQ(SetPrinterDataW(h, const_cast<LPWSTR>(u"x"), REG_DWORD, reinterpret_cast<BYTE*>(&dw), 4),
              static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ClosePrinter(h);
    h = Open();
    EXPECT_EQ(DeletePrinterDataW(h, const_cast<LPWSTR>(u"TBL_OutPaperTable")), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(DeletePrinterDataW(h, const_cast<LPWSTR>(u"TBL_OutPaperTable")),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ClosePrinter(h);
}

TEST_F(Spooler, JobsSpoolWritePrinterAndInjection) {
    HANDLE h = Open(PRINTER_ACCESS_USE);
    DWORD written = 0;
    EXPECT_FALSE(WritePrinter(h, const_cast<char*>("x"), 1, &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SPL_NO_STARTDOC));
    DOC_INFO_1W doc{const_cast<LPWSTR>(u"MS Word Test"), nullptr, const_cast<LPWSTR>(u"RAW")};
    DWORD id = StartDocPrinterW(h, 1, reinterpret_cast<BYTE*>(&doc));
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(StartPagePrinter(h));
    ASSERT_TRUE(WritePrinter(h, const_cast<char*>("@PJL "), 5, &written));
    EXPECT_EQ(written, 5u);
    PlatInjectFailure("WritePrinter", 1, ERROR_NOT_READY);
    PlatInjectShortWrite("WritePrinter", 2, 4);
    EXPECT_FALSE(WritePrinter(h, const_cast<char*>("ENTER"), 5, &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(WritePrinter(h, const_cast<char*>("ENTER"), 5, &written));
    EXPECT_EQ(written, 1u);  // short: the caller must send the rest
    EXPECT_TRUE(WritePrinter(h, const_cast<char*>("NTER"), 4, &written));
    ASSERT_TRUE(EndPagePrinter(h));

    DWORD needed = 0, returned = 0;
    EXPECT_FALSE(EnumJobsW(h, 0, 100, 1, nullptr, 0, &needed, &returned));
    std::vector<BYTE> buf(needed);
    ASSERT_TRUE(EnumJobsW(h, 0, 100, 1, buf.data(), needed, &needed, &returned));
    ASSERT_EQ(returned, 1u);
    auto* job = reinterpret_cast<JOB_INFO_1W*>(buf.data());
    EXPECT_EQ(job->JobId, id);
    EXPECT_EQ(std::u16string(job->pDocument), u"MS Word Test");
    EXPECT_TRUE(job->Status & JOB_STATUS_SPOOLING);
    EXPECT_EQ(job->TotalPages, 1u);
    ASSERT_TRUE(EndDocPrinter(h));
    const char* spool = PlatLastSpoolFile(kPrinter);
    ASSERT_NE(spool, nullptr);
    EXPECT_EQ(FileText(spool), "@PJL ENTER");

    GetJobW(h, id, 2, nullptr, 0, &needed);
    buf.assign(needed, 0);
    ASSERT_TRUE(GetJobW(h, id, 2, buf.data(), needed, &needed));
    auto* job2 = reinterpret_cast<JOB_INFO_2W*>(buf.data());
    EXPECT_EQ(job2->Size, 10u);
    EXPECT_FALSE(job2->Status & JOB_STATUS_SPOOLING);
    ClosePrinter(h);
}

TEST_F(Spooler, SetJobControlsAndAbort) {
    HANDLE h = Open(PRINTER_ACCESS_USE);
    DOC_INFO_1W doc{const_cast<LPWSTR>(u"Doc"), nullptr, nullptr};
    DWORD a = StartDocPrinterW(h, 1, reinterpret_cast<BYTE*>(&doc));
    ASSERT_NE(a, 0u);
    EndDocPrinter(h);
    DWORD b = StartDocPrinterW(h, 1, reinterpret_cast<BYTE*>(&doc));
    ASSERT_NE(b, 0u);
    auto status = [&](DWORD id) -> DWORD {
        DWORD needed = 0;
        BYTE buf[512];
        if (!GetJobW(h, id, 1, buf, sizeof buf, &needed)) return 0xFFFFFFFF;
        return reinterpret_cast<JOB_INFO_1W*>(buf)->Status;
    };
    ASSERT_TRUE(SetJobW(h, a, 0, nullptr, JOB_CONTROL_PAUSE));
    EXPECT_TRUE(status(a) & JOB_STATUS_PAUSED);
    ASSERT_TRUE(SetJobW(h, a, 0, nullptr, JOB_CONTROL_RESUME));
    EXPECT_FALSE(status(a) & JOB_STATUS_PAUSED);
    ASSERT_TRUE(SetJobW(h, a, 0, nullptr, JOB_CONTROL_SENT_TO_PRINTER));
    ASSERT_TRUE(SetJobW(h, a, 0, nullptr, JOB_CONTROL_LAST_PAGE_EJECTED));
    EXPECT_EQ(status(a), 0xFFFFFFFFu);  // printed jobs leave the queue
    // Deleting a job that is still spooling makes its writes fail.
    ASSERT_TRUE(SetJobW(h, b, 0, nullptr, JOB_CONTROL_DELETE));
    EXPECT_TRUE(status(b) & JOB_STATUS_DELETING);
    DWORD written;
    EXPECT_FALSE(WritePrinter(h, const_cast<char*>("x"), 1, &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINT_CANCELLED));
    EndDocPrinter(h);
    EXPECT_EQ(status(b), 0xFFFFFFFFu);
    EXPECT_FALSE(SetJobW(h, b, 0, nullptr, JOB_CONTROL_DELETE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // A "Printer, Job n" handle reaches one job, as a port monitor opens it.
    DWORD kept = StartDocPrinterW(h, 1, reinterpret_cast<BYTE*>(&doc));
    EndDocPrinter(h);
    std::string digits = std::to_string(kept);
    std::u16string jobName = std::u16string(kPrinter) + u", Job " + std::u16string(digits.begin(), digits.end());
    HANDLE jobHandle = nullptr;
    ASSERT_TRUE(OpenPrinterW(jobName.data(), &jobHandle, nullptr));
    EXPECT_TRUE(SetJobW(jobHandle, kept, 0, nullptr, JOB_CONTROL_SENT_TO_PRINTER));
    EXPECT_TRUE(status(kept) & 0x1000);                                            // JOB_STATUS_COMPLETE
    EXPECT_EQ(StartDocPrinterW(jobHandle, 1, reinterpret_cast<BYTE*>(&doc)), 0u);  // not a printer handle
    ClosePrinter(jobHandle);
    DWORD c = StartDocPrinterW(h, 1, reinterpret_cast<BYTE*>(&doc));
    WritePrinter(h, const_cast<char*>("abc"), 3, &written);
    std::string spool = PlatLastSpoolFile(kPrinter);
    ASSERT_TRUE(AbortPrinter(h));
    EXPECT_EQ(status(c), 0xFFFFFFFFu);
    std::ifstream gone(spool);
    EXPECT_FALSE(gone.good());  // the spool file is deleted
    EXPECT_FALSE(EndDocPrinter(h));
    ClosePrinter(h);
}

TEST_F(Spooler, PurgeEmptiesOnlyThisPrintersQueue) {
    PLAT_PRINTER_SETUP other{};
    other.printerName = u"Second";
    other.driverName = u"QEV Halvoric 4400K Driver";
    other.portName = u"LPT1:";
    other.driverPath = other.dataFile = other.configFile = u"C:\\x";
    ASSERT_TRUE(PlatInstallPrinter(&other));
    HANDLE a = Open();
    HANDLE b = Open(PRINTER_ACCESS_USE, u"Second");
    DOC_INFO_1W doc{const_cast<LPWSTR>(u"Doc"), nullptr, nullptr};
    for (HANDLE h : {a, b}) {
        ASSERT_NE(StartDocPrinterW(h, 1, reinterpret_cast<BYTE*>(&doc)), 0u);
        ASSERT_TRUE(EndDocPrinter(h));
    }
    EXPECT_FALSE(SetPrinterW(b, 0, nullptr, 3));  // purging needs administer access
    ASSERT_TRUE(SetPrinterW(a, 0, nullptr, 3));   // PRINTER_CONTROL_PURGE
    DWORD needed = 0, returned = 5;
    EXPECT_TRUE(EnumJobsW(a, 0, 100, 1, nullptr, 0, &needed, &returned));  // an empty queue needs no buffer
    EXPECT_EQ(returned, 0u);
    BYTE buf[1024];
    ASSERT_TRUE(EnumJobsW(b, 0, 100, 1, buf, sizeof buf, &needed, &returned));
    EXPECT_EQ(returned, 1u);
    ClosePrinter(a);
    ClosePrinter(b);
    EXPECT_TRUE(PlatDeletePrinter(u"Second"));
    HANDLE gone = nullptr;
    EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(u"Second"), &gone, nullptr));
}
