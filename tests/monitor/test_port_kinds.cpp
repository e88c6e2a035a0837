#include "monitor/port_kinds.h"
#include "monitor_fixture.h"
#include "plat/monitor_host.h"
#include "win/registry.h"

namespace {

struct NameCase {
    const char16_t* name;
    BOOL lpt, com, usb, unc;
};

constexpr NameCase kNames[] = {
    {u"LPT1", TRUE, FALSE, FALSE, FALSE},
    {u"lpt2", TRUE, FALSE, FALSE, FALSE},
    {u"LPT9:", TRUE, FALSE, FALSE, FALSE},
    {u"LPT0", FALSE, FALSE, FALSE, FALSE},
    {u"LPT", FALSE, FALSE, FALSE, FALSE},
    {u"COM3", FALSE, TRUE, FALSE, FALSE},
    {u"COM0", FALSE, FALSE, FALSE, FALSE},
    {u"USB001", FALSE, FALSE, TRUE, FALSE},
    {u"usb128", FALSE, FALSE, TRUE, FALSE},
    {u"USB000", FALSE, FALSE, FALSE, FALSE},
    {u"USB129", FALSE, FALSE, FALSE, FALSE},
    {u"USB1", FALSE, FALSE, FALSE, FALSE},  // shorter than 6 characters
    {u"USBABC", FALSE, FALSE, FALSE, FALSE},
    {u"QEVUSB", FALSE, FALSE, TRUE, FALSE},
    {u"qevusb_anything", FALSE, FALSE, TRUE, FALSE},
    {u"\\\\server\\share", FALSE, FALSE, FALSE, TRUE},
    {u"\\\\server", FALSE, FALSE, FALSE, FALSE},
    {u"\\\\server\\share\\more", FALSE, FALSE, FALSE, FALSE},
    {u"\\server\\share", FALSE, FALSE, FALSE, FALSE},
    {u"FILE:", FALSE, FALSE, FALSE, FALSE},
    {u"", FALSE, FALSE, FALSE, FALSE},
};

TEST(PortNames, RulesByName) {
    for (const NameCase& c : kNames) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        EXPECT_EQ(IsLptPort(c.name), c.lpt);
        EXPECT_EQ(IsComPort(c.name), c.com);
        EXPECT_EQ(IsUsbPort(c.name), c.usb);
        EXPECT_EQ(IsUncServerShare(c.name), c.unc);
    }
}

class PortKindTest : public MonitorTest {};

struct KindCase {
    const char16_t* name;
    DWORD expected;
};

TEST_F(PortKindTest, DetectedKinds) {
    ASSERT_TRUE(plat::RegisterStandardTcpIpPort(u"IP_127.0.0.1"));
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\QEV TCP/IP DPU Port\\Ports\\DPU_1",
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    monitorValues_[u"LPT2"] = 1;  // bidirectional use switched off for LPT2
    const KindCase cases[] = {
        {u"USB001", 0x7},          {u"LPT1", 0x7},   {u"LPT2", 0x3},           {u"COM1", 0x11},
        {u"\\\\srv\\queue", 0x41}, {u"FILE:", 0x21}, {u"IP_127.0.0.1", 0x105}, {u"DPU_1", 0x85},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        HANDLE h = Open(c.name);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(Port(h)->kind, c.expected);
    }
    EXPECT_EQ(Port(open_[1])->sleepAfterFailedHeader, -1);  // a bidirectional parallel port
}

TEST_F(PortKindTest, RefusedNames) {
    SetLastError(0);
    EXPECT_EQ(Open(u"QVxx:"), nullptr);
    EXPECT_EQ(GetLastError(), 3007u);
    ASSERT_NE(Open(u"LPT1"), nullptr);
    SetLastError(0);
    EXPECT_EQ(Open(u"lpt1"), nullptr);  // already open, names compared without case
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));
}

}  // namespace
