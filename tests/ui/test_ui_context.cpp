// The UI context: build order results, the settings copies, the forms it keeps, the names written
// through the system code page, the light variant and failures.
#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/support.h"
#include "plat/host_text.h"
#include "ui/entry/ui_context.h"
#include "ui_fixture.h"
#include "win/kernel.h"
#include "win/nls.h"

using namespace orla;
using namespace orla_ui_test;

namespace {

class UiContextTest : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        PlatSetUserName(u"taro");
        PlatSetComputerName(u"PC-01");
    }
    ContextPtr Create(const DEVMODEW* caller = nullptr) { return ContextPtr(CreateUiContext(printer_, caller)); }

    // A description of the test's own with a given "*Version", installed as a printer.
    void InstallVersion(int version) {
        std::u16string text = std::u16string(u"*Version: ") + (version >= 4 ? u"4" : u"3") +
                              u"\n*FriendlyName: \"QEV Test 1\"\n*PrinterName: \"QEV Test 1\"\n"
                              u"*PrivateID: 0x51455631\n*DefaultResolution: 600\n"
                              u"*Resolution: 600 \"HT_PATSIZE_8x8_M\" 10000 \"HT_PATSIZE_8x8_M\" 10000\n"
                              u"*DefaultInputSlot: \"Tray 1\" 1\n*InputSlot: \"Tray 1\" 1\n"
                              u"*DefaultMemorySize: 65536 0 0 0 0 0 0\n*MemorySize: 65536 0 0 0 0 0 0\n"
                              u"*MaxForm: 297000 900000\n*MinForm: 90000 148000\n"
                              u"*DefaultForm: \"A4\" 210000 297000 4000 4050 206000 292950\n"
                              u"*FormPort: \"A4\" 210000 297000 5000 5000 205000 292000\n";
        std::u16string path = driverDir_ + u"\\TEST" + (version >= 4 ? u"4" : u"3") + u".KDD";
        ASSERT_TRUE(orla_test::WriteWinFile(path, orla_test::DescriptionBytes(text)));
        InstallNamed(u"Versioned", path, nullptr);
    }
};

std::string Narrow(std::u16string_view s) {
    return plat::Utf16ToUtf8(std::u16string(s));
}

}  // namespace

TEST_F(UiContextTest, FullContextFromThePrinter) {
    InstallSamplePrinter("HV4400KJ.KDD", u"Halvoric", u"C:\\Windows\\Help\\ORLAHLPX.CHM");
    ContextPtr c = Create();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->magic, kUiContextMagic);
    EXPECT_EQ(c->hPrinter, printer_);
    EXPECT_NE(c->hResDll, nullptr);
    EXPECT_NE(c->deviceData, nullptr);
    EXPECT_EQ(c->hComPropSheet, nullptr);
    EXPECT_EQ(c->pfnComPropSheet, nullptr);
    EXPECT_EQ(c->languageId, GetUserLocaleId());
    EXPECT_EQ(std::u16string(c->driverPath), driverDir_ + u"\\Quessa.dll");
    EXPECT_EQ(std::u16string(c->helpFile), c->languageId == kLocaleJapanese ? u"C:\\Windows\\Help\\ORLAHLPJ.CHM"
                                                                            : u"C:\\Windows\\Help\\ORLAHLPE.CHM");
    EXPECT_EQ(std::u16string(c->printerName), u"Halvoric");
    EXPECT_EQ(std::u16string(c->userName), u"taro");

    // Names in the job fields of the default and current records.
    for (const DriverDevmode* r : {&c->defaultDevmode, &c->currentDevmode}) {
        EXPECT_EQ(GetText(*r, dm::ComputerName), u"PC-01");
        EXPECT_EQ(GetText(*r, dm::JobUserName), u"taro");
        EXPECT_EQ(GetText(*r, dm::JobInfoUserName), u"taro");
    }
    // The applied copy equals the current one; the scratch copy is still empty.
    EXPECT_EQ(std::memcmp(&c->appliedDevmode, &c->currentDevmode, sizeof(DriverDevmode)), 0);
    DriverDevmode zero{};
    EXPECT_EQ(std::memcmp(&c->scratchDevmode, &zero, sizeof(DriverDevmode)), 0);
    EXPECT_EQ(AsDevmode(c->currentDevmode)->dmDriverExtra, kPrivateDevmodeSize);

    // The build stored the printer data (account mode defaults to per user).
    EXPECT_EQ(Raw(u"DAT_FormHistory").rc, ERROR_SUCCESS);
    EXPECT_EQ(Raw(u"DAT_AddForms").bytes, Le32(3));
    EXPECT_NE(Get(c->currentDevmode, dm::Flags2) & kFlags2AccountPerUser, 0u);
}

TEST_F(UiContextTest, FormsKeptWithTheirSpoolerPositions) {
    InstallSamplePrinter();
    ContextPtr c = Create();
    ASSERT_NE(c, nullptr);
    DWORD needed = 0, count = 0;
    EnumFormsW(printer_, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(EnumFormsW(printer_, 1, buffer.data(), needed, &needed, &count));
    auto* forms = reinterpret_cast<FORM_INFO_1W*>(buffer.data());
    ASSERT_GT(c->formCount, 0u);
    ASSERT_LT(c->formCount, count);  // the spooler lists forms the printer cannot take
    DWORD expected = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (IsContextForm(forms[i], DeviceDataVersion(c->deviceData))) ++expected;
    }
    EXPECT_EQ(c->formCount, expected);
    for (DWORD k = 0; k < c->formCount; ++k) {
        const FORM_INFO_1W& f = forms[c->formIds[k] - 1];
        EXPECT_EQ(std::u16string(c->formNames[k]), std::u16string(f.pName)) << k;
        EXPECT_EQ(c->formSizes[k].width, f.Size.cx / 100) << k;
        EXPECT_EQ(c->formSizes[k].length, f.Size.cy / 100) << k;
        if (k > 0) {
            EXPECT_GT(c->formIds[k], c->formIds[k - 1]);
        }
    }
}

TEST_F(UiContextTest, LongPaperKeptOnlyUnderVersion3) {
    for (int version : {3, 4}) {
        SCOPED_TRACE(version);
        InstallVersion(version);
        std::u16string name(kLongPaperFormName);
        FORM_INFO_1W longPaper{0, name.data(), {297000, 900000}, {0, 0, 297000, 900000}};
        AddFormW(printer_, 1, reinterpret_cast<BYTE*>(&longPaper));
        ContextPtr c = Create();
        ASSERT_NE(c, nullptr);
        bool found = false;
        for (DWORD k = 0; k < c->formCount; ++k) {
            if (std::u16string(c->formNames[k]) == name) {
                found = true;
                EXPECT_EQ(c->formSizes[k].width, 2970);
                EXPECT_EQ(c->formSizes[k].length, 9000);
            }
        }
        EXPECT_EQ(found, version == 3);
        c.reset();
        ClosePrinter(printer_);
        printer_ = nullptr;
        PlatDeletePrinter(u"Versioned");
    }
}

TEST_F(UiContextTest, CopiesAreIndependent) {
    InstallSamplePrinter();
    ContextPtr c = Create();
    ASSERT_NE(c, nullptr);
    DriverDevmode applied = c->appliedDevmode;
    DriverDevmode defaults = c->defaultDevmode;
    c->scratchDevmode = c->currentDevmode;
    Set(c->currentDevmode, dm::Copies, SHORT{42});
    Set(c->scratchDevmode, dm::Copies, SHORT{7});
    EXPECT_EQ(std::memcmp(&c->appliedDevmode, &applied, sizeof(DriverDevmode)), 0);
    EXPECT_EQ(std::memcmp(&c->defaultDevmode, &defaults, sizeof(DriverDevmode)), 0);
    EXPECT_EQ(Get(c->currentDevmode, dm::Copies), 42);
    EXPECT_EQ(Get(c->scratchDevmode, dm::Copies), 7);
}

TEST_F(UiContextTest, CallerDevmodeOfEachSizeIsMerged) {
    InstallSamplePrinter();
    // Public parts of the three DEVMODE versions, with and without our private part.
    struct Case {
        WORD publicSize;
        bool withPrivate;
    } const cases[] = {{188, false}, {212, false}, {220, false}, {220, true}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.publicSize);
        std::vector<BYTE> bytes(kDriverDevmodeSize, 0);
        DriverDevmode base{};
        const CompiledDeviceData* data = GetDeviceData(printer_);
        SetDefaultDevmode(&base, printer_, nullptr, data);
        ReleaseDeviceData(data);
        std::memcpy(bytes.data(), base.bytes, kDriverDevmodeSize);
        auto* dmw = reinterpret_cast<DEVMODEW*>(bytes.data());
        dmw->dmSize = k.publicSize;
        dmw->dmCopies = 3;
        dmw->dmFields |= DM_COPIES;
        if (k.withPrivate) {
            dmw->dmDriverExtra = kPrivateDevmodeSize;
            // A zoom chosen by hand, as the page writes it (the constraint pass keeps only such).
            DriverDevmode& caller = *reinterpret_cast<DriverDevmode*>(bytes.data());
            for (auto f : {dm::Zoom, dm::SavedZoom}) Set(caller, f, WORD{150});
            for (auto f : {dm::Flags1, dm::SavedFlags1}) Set(caller, f, Get(caller, f) | kFlags1ManualZoom);
        } else {
            dmw->dmDriverExtra = 0;
        }
        ContextPtr c = Create(dmw);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(AsDevmode(c->currentDevmode)->dmCopies, 3);
        EXPECT_EQ(AsDevmode(c->appliedDevmode)->dmCopies, 3);
        EXPECT_EQ(AsDevmode(c->currentDevmode)->dmSize, kPublicDevmodeSize);
        if (k.withPrivate) {
            EXPECT_EQ(Get(c->currentDevmode, dm::Zoom), 150);
        }
        // The defaults copy does not see the caller's settings.
        EXPECT_NE(AsDevmode(c->defaultDevmode)->dmCopies, 3);
    }
}

TEST_F(UiContextTest, LightVariant) {
    InstallSamplePrinter();
    ContextPtr c(CreateUiContextNoUi(printer_, nullptr));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->magic, 0u);
    EXPECT_EQ(c->hPrinter, nullptr);
    EXPECT_EQ(c->languageId, 0u);
    EXPECT_EQ(c->formCount, 0u);
    EXPECT_EQ(c->formIds, nullptr);
    EXPECT_EQ(c->driverPath[0], 0);
    EXPECT_EQ(std::u16string(c->printerName), u"Halvoric");
    EXPECT_EQ(GetText(c->currentDevmode, dm::JobUserName), u"taro");
    // The job owner's user name goes into both copies; the defaults copy holds nothing else.
    EXPECT_EQ(GetText(c->currentDevmode, dm::OwnerUserName), u"taro");
    EXPECT_EQ(GetText(c->defaultDevmode, dm::OwnerUserName), u"taro");
    DriverDevmode zero{};
    SetText(zero, dm::OwnerUserName, u"taro");
    EXPECT_EQ(std::memcmp(&c->defaultDevmode, &zero, sizeof(DriverDevmode)), 0);
    EXPECT_EQ(std::memcmp(&c->appliedDevmode, &c->currentDevmode, sizeof(DriverDevmode)), 0);
}

TEST_F(UiContextTest, NoContextWithoutDeviceDataOrPrinter) {
    InstallNamed(u"Broken", driverDir_ + u"\\MISSING.KDD", nullptr);
    EXPECT_EQ(CreateUiContext(printer_, nullptr), nullptr);
    EXPECT_EQ(CreateUiContextNoUi(printer_, nullptr), nullptr);
    EXPECT_EQ(CreateUiContext(nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateUiContextNoUi(nullptr, nullptr), nullptr);
    DestroyUiContext(nullptr);
}

TEST_F(UiContextTest, AccountBlocksFollowTheMode) {
    InstallSamplePrinter();
    PutDword(u"DAT_Account_Mode", 0);
    PutDword(u"DAT_Jba_Type", 0);
    PutRaw(u"DAT_Set_UserID", REG_BINARY, Utf16(u"printer-id", 66));
    ContextPtr c = Create();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(GetText(c->currentDevmode, dm::SetUserId), u"printer-id");
    EXPECT_EQ(Get(c->currentDevmode, dm::Flags2) & 0x200000u, 0u);
    EXPECT_EQ(c->accountSavedUser.flags, kFlags2AccountFlags);  // no per-user key yet
    EXPECT_EQ(c->accountSavedUser.userId[0], 0);

    // Switching to per-user mode brings the per-user block; switching back the printer's again.
    SaveAccountBlock(c.get());
    Set(c->currentDevmode, dm::Flags2, Get(c->currentDevmode, dm::Flags2) | kFlags2AccountPerUser | 0x200u);
    RestoreAccountBlock(c.get());
    EXPECT_EQ(GetText(c->currentDevmode, dm::SetUserId), u"");
    EXPECT_NE(Get(c->currentDevmode, dm::Flags2) & 0x200000u, 0u);
    EXPECT_NE(Get(c->currentDevmode, dm::Flags2) & 0x200u, 0u);  // a non-account bit is not touched
    SetText(c->currentDevmode, dm::SetUserId, u"my-id");
    SaveAccountBlock(c.get());
    Set(c->currentDevmode, dm::Flags2, Get(c->currentDevmode, dm::Flags2) & ~kFlags2AccountPerUser);
    RestoreAccountBlock(c.get());
    EXPECT_EQ(GetText(c->currentDevmode, dm::SetUserId), u"printer-id");
    EXPECT_EQ(Get(c->currentDevmode, dm::Flags2) & 0x200000u, 0u);
    EXPECT_NE(Get(c->currentDevmode, dm::Flags2) & 0x200u, 0u);  // stale saved flags do not come back

    // Both blocks are written to their homes.
    StorePrinterDataSettings(c.get(), &c->currentDevmode, printer_, c->deviceData);
    EXPECT_EQ(Raw(u"DAT_Set_UserID").bytes, Utf16(u"printer-id", 66));
    ContextPtr again = Create();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(std::u16string(again->accountSavedUser.userId), u"my-id");
}

// ---- Names through the system code page ----

TEST(JobNames, JobUserName) {
    struct Case {
        const char16_t* in;
        const char16_t* out;
    } const cases[] = {
        {u"taro", u"taro"},
        {u"abcdefghijklmnop", u"abcdefghijklmnop"},            // 16 bytes: kept whole
        {u"abcdefghijklmnopq", u"abcdefghijklm..."},           // 17 bytes: 13 and "..."
        {u"abcdefghijklmnopqrstuvwxyz", u"abcdefghijklm..."},  // beyond 21 characters too
        {u"ab\"cd", u""},                                      // a quote among the kept bytes
        {u"ab~cd", u""},
        {u"abcdefghijklmnop~q", u"abcdefghijklm..."},  // the tilde is cut away
        {u"山田太郎", u"山田太郎"},                    // 8 bytes
        {u"山田太郎山田太郎山", u"山田太郎山田..."},   // 18 bytes: 12 whole bytes kept
        {u"", u""},
    };
    for (const Case& c : cases) {
        WCHAR out[17];
        std::memset(out, 0x55, sizeof(out));
        CopyJobUserName(out, c.in);
        EXPECT_EQ(std::u16string(out), c.out) << Narrow(c.in);
    }
    WCHAR out[17];
    CopyJobUserName(out, nullptr);
    EXPECT_EQ(out[0], 0);
}

TEST(JobNames, WideViaAnsi) {
    struct Case {
        const char16_t* in;
        const char16_t* out20;
        const char16_t* out15;
    } const cases[] = {
        {u"PC-01", u"PC-01", u"PC-01"},
        {u"abcdefghijklmnopqrstuvwxyz", u"abcdefghijklmnopqrst", u"abcdefghijklmno"},
        // A double-byte character cut at the limit is lost, never half kept.
        {u"aあいうえおかきくけこ", u"aあいうえおかきくけ", u"aあいうえおかき"},
        {u"あいうえおかきくけこさ", u"あいうえおかきくけこ", u"あいうえおかき"},
        {u"", u"", u""},
    };
    for (const Case& c : cases) {
        WCHAR out20[21] = {}, out15[16] = {};
        CopyWideViaAnsi20(out20, c.in);
        CopyWideViaAnsi15(out15, c.in);
        EXPECT_EQ(std::u16string(out20), c.out20) << Narrow(c.in);
        EXPECT_EQ(std::u16string(out15), c.out15) << Narrow(c.in);
    }
}

TEST_F(UiContextTest, LongUserNameInTheRecord) {
    InstallSamplePrinter();
    PlatSetUserName(u"abcdefghijklmnopqrst");  // the longest name Windows allows
    ContextPtr c = Create();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(std::u16string(c->userName), u"abcdefghijklmnopqrst");
    EXPECT_EQ(GetText(c->currentDevmode, dm::JobUserName), u"abcdefghijklm...");
    EXPECT_EQ(GetText(c->currentDevmode, dm::JobInfoUserName), u"abcdefghijklmnopqrst");
    PlatSetUserName(u"a\"b");
    ContextPtr quoted = Create();
    ASSERT_NE(quoted, nullptr);
    EXPECT_EQ(GetText(quoted->currentDevmode, dm::JobUserName), u"");
    EXPECT_EQ(GetText(quoted->currentDevmode, dm::JobInfoUserName), u"a\"b");
}

TEST_F(UiContextTest, ReadOnlyPrinterStillGivesAContext) {
    InstallSamplePrinter();
    HANDLE user = OpenFull(u"Halvoric", PRINTER_ACCESS_USE);
    ASSERT_NE(user, nullptr);
    PutDword(u"DAT_Tray500", 0x1000);
    ContextPtr c(CreateUiContext(user, nullptr));
    ASSERT_NE(c, nullptr);
    EXPECT_NE(Get(c->currentDevmode, dm::Flags2) & 0x1000u, 0u);                      // read through the user's handle
    EXPECT_EQ(Raw(u"DAT_FormHistory").rc, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));  // nothing written
    EXPECT_EQ(Raw(u"DAT_AddForms").rc, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    c.reset();
    ClosePrinter(user);
}

TEST_F(UiContextTest, ReadIntoAnotherRecordWithAContext) {
    InstallSamplePrinter();
    ContextPtr c = Create();
    ASSERT_NE(c, nullptr);
    PutDword(u"DAT_Account_Mode", 0);
    PutRaw(u"DAT_Set_UserID", REG_BINARY, Utf16(u"other", 66));
    DriverDevmode before = c->currentDevmode;
    DriverDevmode record = c->defaultDevmode;
    ReadPrinterDataSettings(c.get(), &record, printer_);
    EXPECT_EQ(GetText(record, dm::SetUserId), u"other");
    EXPECT_EQ(Get(record, dm::Flags2) & kFlags2AccountPerUser, 0u);
    // The context's own record is left as it was; its blocks hold what was read.
    EXPECT_EQ(std::memcmp(&before, &c->currentDevmode, sizeof(DriverDevmode)), 0);
    EXPECT_EQ(std::u16string(c->accountSaved.userId), u"other");
}
