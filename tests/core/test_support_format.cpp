// The message formatter: inserts, cutting at the buffer's limit, and the needed count.
#include <string>
#include <vector>

#include "core/support.h"
#include "test_device_fixture.h"

using namespace orla;
using namespace orla_test;

namespace {

struct FormatCase {
    const char* name;
    std::u16string format;
    std::vector<ULONG_PTR> args;
    int capacity;  // 0: no buffer
    bool askNeeded;
    std::u16string text;
    int written;
    int needed;  // checked when askNeeded
};

ULONG_PTR Str(const char16_t* s) {
    return reinterpret_cast<ULONG_PTR>(s);
}

}  // namespace

TEST(SupportFormat, Cases) {
    const std::u16string ten = u"0123456789";
    const FormatCase cases[] = {
        {"insert cut at the limit", u"%s", {Str(ten.c_str())}, 5, true, u"0123", 4, 11},
        {"two percent signs", u"%%", {}, 16, true, u"%", 1, 2},
        {"percent in text", u"100%% done", {}, 32, true, u"100% done", 9, 10},
        {"signed decimal", u"%d", {static_cast<ULONG_PTR>(static_cast<DWORD>(-5))}, 16, true, u"-5", 2, 3},
        {"unsigned decimal", u"%u", {0xFFFFFFFFu}, 16, true, u"4294967295", 10, 11},
        {"hex lower and upper", u"%x/%X", {255, 0xABCDu}, 16, true, u"ff/ABCD", 7, 8},
        {"zero", u"%d%u%x", {0, 0, 0}, 16, true, u"000", 3, 4},
        {"character", u"[%c]", {0x3042}, 16, true, u"[あ]", 3, 4},
        {"character uses the low 16 bits", u"%c", {0x10041}, 16, true, u"A", 1, 2},
        {"null string is one blank, counted", u"<%s>", {0}, 16, true, u"< >", 3, 4},
        {"unknown sequence", u"%q", {}, 16, true, u"q", 1, 2},
        {"lone percent at the end", u"50%", {}, 16, true, u"50%", 3, 4},
        {"arguments in order", u"%s=%d;%s=%x", {Str(u"a"), 1, Str(u"b"), 16}, 32, true, u"a=1;b=10", 8, 9},
        {"missing arguments insert nothing", u"[%s|%d|%c|%!]", {}, 32, true, u"[|||]", 5, 6},
        {"full buffer stops without needed", u"abcdef%s", {Str(u"xyz")}, 3, false, u"ab", 2, 0},
        {"full buffer still counts with needed", u"abcdef%s", {Str(u"xyz")}, 3, true, u"ab", 2, 10},
        {"no buffer gives the needed count", u"abc%d", {42}, 0, true, u"", 0, 6},
        {"capacity one holds the terminator only", u"abc", {}, 1, true, u"", 0, 4},
        {"empty format", u"", {}, 8, true, u"", 0, 1},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<WCHAR> buffer(c.capacity + 1, u'#');  // one guard unit behind the capacity
        int needed = -1;
        int written = FormatMessageText(nullptr, c.capacity ? buffer.data() : nullptr, c.capacity,
                                        c.askNeeded ? &needed : nullptr, c.format.c_str(), c.args);
        EXPECT_EQ(written, c.written);
        if (c.capacity) {
            EXPECT_EQ(std::u16string(buffer.data()), c.text);
            EXPECT_EQ(buffer[c.capacity], u'#');  // nothing written past the capacity
        }
        if (c.askNeeded) {
            EXPECT_EQ(needed, c.needed);
        }
    }
}

TEST(SupportFormat, NeededCountIsEnoughForTheWholeText) {
    const char16_t* name = nullptr;
    int needed = 0;
    FormatMessageTextArgs(nullptr, nullptr, 0, &needed, u"Owner: %s, %d pages", name, 12);
    std::vector<WCHAR> buffer(needed);
    int written = FormatMessageTextArgs(nullptr, buffer.data(), needed, nullptr, u"Owner: %s, %d pages", name, 12);
    EXPECT_EQ(written, needed - 1);
    EXPECT_EQ(std::u16string(buffer.data()), u"Owner:  , 12 pages");
}

class SupportFormatResources : public SandboxTest {};

TEST_F(SupportFormatResources, StringIdsComeFromTheModule) {
    std::u16string dll = Widen(BinDir() + "/Quessae.dll");
    HMODULE mod = LoadLibraryW(dll.c_str());
    ASSERT_NE(mod, nullptr) << "build the language resource DLLs first";
    WCHAR buffer[64];
    int needed = 0;
    int n = FormatMessageTextArgs(mod, buffer, 64, &needed, u"%! / %! (%!)", 207u, 209u, 60000u);
    EXPECT_EQ(std::u16string(buffer), u"MANUAL / Duplex Unit ()");
    EXPECT_EQ(n, 23);
    EXPECT_EQ(needed, 24);
    // Without a module the string is empty.
    n = FormatMessageTextArgs(nullptr, buffer, 64, nullptr, u"[%!]", 207u);
    EXPECT_EQ(std::u16string(buffer), u"[]");
    FreeLibrary(mod);
}
