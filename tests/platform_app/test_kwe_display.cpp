// The trust-marking stand-in's settings dialog (QZKWE_DisplayUI) as a test scripts it: its answer,
// the on/off value it hands back and the settings it leaves, never more than it was given room
// for; the settings it was handed kept for the test to read.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sandbox_fixture.h"
#include "win/kernel.h"
#include "win/registry.h"

namespace {

constexpr char16_t kLibraryKey[] = u"SOFTWARE\\Tamsa Korvel\\Tessaline Basic";
typedef DWORD (*CreateHandleProc)(LPCSTR, LPCSTR, LPCSTR, DWORD);
typedef LONG (*ReleaseHandleProc)(DWORD);
typedef LONG (*DisplayUIProc)(DWORD, HWND, BYTE*, DWORD, LONG*);

constexpr LONG kUntouched = -5;  // the on/off value before the call
constexpr BYTE kGuard = 0xEE;    // bytes past the room the library was given

struct DisplayCase {
    const char* name;
    const char16_t* script;
    DWORD room;  // the settings size handed over (the buffer is 16 bytes)
    LONG answer;
    LONG on;
    std::vector<BYTE> after;  // the buffer's 16 bytes after the call
    bool kept;                // whether the stand-in got as far as keeping what it was handed
};

const std::vector<BYTE> kBefore{'K', 'W', 'E', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};

std::vector<BYTE> With(std::vector<BYTE> bytes, size_t at, std::vector<BYTE> put) {
    for (size_t i = 0; i < put.size(); ++i) bytes[at + i] = put[i];
    return bytes;
}

const DisplayCase kDisplayCases[] = {
    {"OK without a change: on, the settings as they were", u"", 12, 1, 1, kBefore, true},
    {"cancelled: nothing changes", u"DisplayUI=2\nDisplayUIBlobHex=FFFF", 12, 2, kUntouched, kBefore, true},
    {"failed: nothing changes", u"DisplayUI=fail\nDisplayUIOn=0", 12, -1, kUntouched, kBefore, false},
    {"answering -1 is failing", u"DisplayUI=-1\nDisplayUIBlobHex=00", 12, -1, kUntouched, kBefore, true},
    {"switched off with new settings", u"DisplayUIOn=0\nDisplayUIBlobHex=0102a0", 12, 1, 0,
     With(kBefore, 0, {0x01, 0x02, 0xA0}), true},
    {"settings of a set size: the rest zero", u"DisplayUIBlobHex=0102\nDisplayUIBlobSize=5", 12, 1, 1,
     With(kBefore, 0, {0x01, 0x02, 0, 0, 0}), true},
    {"never past the room given", u"DisplayUIBlobHex=11223344556677\nDisplayUIBlobSize=40", 4, 1, 1,
     With(kBefore, 0, {0x11, 0x22, 0x33, 0x44}), true},
    {"a script's bad hexadecimal ends the settings", u"DisplayUIBlobHex=01zz02", 12, 1, 1, With(kBefore, 0, {0x01}),
     true},
    {"another answer passes through", u"DisplayUI=3\nDisplayUIOn=7", 12, 3, 7, kBefore, true},
};

class KweDisplay : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        const char* bin = std::getenv("ORLA_BIN_DIR");
        ASSERT_NE(bin, nullptr) << "ORLA_BIN_DIR names the folder of the built modules";
        const std::u16string path = std::u16string(PlatDriverDirectory()) + u"\\TessalineDrvIf.dll";
        ASSERT_TRUE(PlatCopyIntoSandbox((std::string(bin) + "/TessalineDrvIf.dll").c_str(), path.c_str()));
        module_ = LoadLibraryW(path.c_str());
        ASSERT_NE(module_, nullptr);
        create_ =
            reinterpret_cast<CreateHandleProc>(reinterpret_cast<void*>(GetProcAddress(module_, "QZKWE_CreateHandle")));
        release_ = reinterpret_cast<ReleaseHandleProc>(
            reinterpret_cast<void*>(GetProcAddress(module_, "QZKWE_ReleaseHandle")));
        display_ = reinterpret_cast<DisplayUIProc>(reinterpret_cast<void*>(GetProcAddress(module_, "QZKWE_DisplayUI")));
        ASSERT_TRUE(create_ && release_ && display_);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
        SandboxTest::TearDown();
    }
    // The script, and no settings kept from an earlier call.
    void Script(const std::u16string& text) {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLibraryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        RegSetValueExW(key, u"StandInScript", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * 2));
        RegDeleteValueW(key, u"LastDisplayUISettings");
        RegCloseKey(key);
    }
    // The settings the dialog was last handed, as the stand-in kept them.
    std::vector<BYTE> Handed() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLibraryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
        std::vector<BYTE> bytes(64);
        DWORD type = 0, size = static_cast<DWORD>(bytes.size());
        const LONG read = RegQueryValueExW(key, u"LastDisplayUISettings", nullptr, &type, bytes.data(), &size);
        RegCloseKey(key);
        bytes.resize(read == ERROR_SUCCESS ? size : 0);
        return bytes;
    }
    DWORD Handle() { return create_("Printer", "QEV Halvoric 4400K", "ORLA", 1041); }

    HMODULE module_ = nullptr;
    CreateHandleProc create_ = nullptr;
    ReleaseHandleProc release_ = nullptr;
    DisplayUIProc display_ = nullptr;
};

TEST_F(KweDisplay, AnswersOnOffValueAndSettingsAsScripted) {
    for (const DisplayCase& c : kDisplayCases) {
        SCOPED_TRACE(c.name);
        Script(c.script);
        const DWORD handle = Handle();
        ASSERT_NE(handle, 0u);
        std::vector<BYTE> settings = kBefore;
        for (size_t i = c.room; i < settings.size(); ++i) settings[i] = kGuard;
        std::vector<BYTE> expected = c.after;
        for (size_t i = c.room; i < expected.size(); ++i) expected[i] = kGuard;
        const std::vector<BYTE> handedIn(settings.begin(), settings.begin() + c.room);
        LONG on = kUntouched;
        EXPECT_EQ(display_(handle, nullptr, settings.data(), c.room, &on), c.answer);
        EXPECT_EQ(on, c.on);
        EXPECT_EQ(settings, expected);
        EXPECT_EQ(Handed(), c.kept ? handedIn : std::vector<BYTE>{});
        EXPECT_EQ(release_(handle), 1);
    }
}

TEST_F(KweDisplay, BadCallsFailWithoutTouchingAnything) {
    Script(u"");
    const DWORD handle = Handle();
    ASSERT_NE(handle, 0u);
    BYTE settings[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    LONG on = kUntouched;
    EXPECT_EQ(display_(handle, nullptr, settings, sizeof settings, nullptr), -1);   // nowhere for the answer
    EXPECT_EQ(display_(handle, nullptr, nullptr, 8, &on), -1);                      // no settings for a size
    EXPECT_EQ(display_(handle + 99, nullptr, settings, sizeof settings, &on), -1);  // not a handle of its
    EXPECT_EQ(display_(handle, nullptr, settings, 5000, &on), -1);                  // more than a record holds
    EXPECT_EQ(on, kUntouched);
    EXPECT_EQ(settings[0], 1);
    // No settings at all is a dialog with nothing to show.
    EXPECT_EQ(display_(handle, nullptr, nullptr, 0, &on), 1);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(release_(handle), 1);
    EXPECT_EQ(display_(handle, nullptr, settings, sizeof settings, &on), -1);  // released
}

}  // namespace
