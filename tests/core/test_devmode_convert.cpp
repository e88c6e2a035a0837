// DEVMODE versions and copies: dmSpecVersion by size, the part-wise copy between sizes,
// the copy for callers, and every mode of the DrvConvertDevMode core.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "test_devmode_fixture.h"

using namespace orla;
using namespace orla::test;

namespace {

// A DEVMODE whose public bytes after the header count up and whose private bytes count down,
// so a copy shows which bytes went where.
IncomingDevmode Patterned(WORD publicSize, WORD privateSize, WORD specVersion = 0x0401) {
    IncomingDevmode d(publicSize, privateSize, specVersion);
    for (size_t i = 72; i < publicSize; ++i) d.bytes[i] = static_cast<BYTE>(i);
    for (size_t i = 0; i < privateSize; ++i) d.bytes[publicSize + i] = static_cast<BYTE>(0xFF - (i & 0x7F));
    return d;
}

TEST(DevmodeConvert, SpecVersionBySize) {
    struct Case {
        WORD size;
        WORD own;
        WORD expected;
    };
    const Case cases[] = {{188, 0x0999, 0x0320}, {212, 0, 0x0400}, {220, 0, 0x0401}, {200, 0x0377, 0x0377}, {0, 0, 0}};
    for (const Case& c : cases) {
        IncomingDevmode d(c.size < 72 ? 72 : c.size, 0, c.own);
        d.Put16(68, c.size);
        EXPECT_EQ(GetDevmodeSpecVersion(d.devmode()), c.expected) << c.size;
    }
    EXPECT_EQ(GetDevmodeSpecVersion(nullptr), 0);
}

TEST(DevmodeConvert, CopyPartsTakesTheSmallerOfEachPartAndKeepsTargetHeader) {
    struct Case {
        WORD srcPublic, srcPrivate, dstPublic, dstPrivate;
    };
    const Case cases[] = {
        {220, 100, 188, 300}, {188, 300, 220, 100}, {212, 50, 212, 50}, {220, 0, 220, 64}, {300, 10, 220, 10},
    };
    for (const Case& c : cases) {
        IncomingDevmode src = Patterned(c.srcPublic, c.srcPrivate);
        IncomingDevmode dst(c.dstPublic, c.dstPrivate, 0x0123);
        dst.Put16(66, 0x0777);
        std::vector<BYTE> dstBefore = dst.bytes;
        LONG copied = CopyDevmodeParts(src.devmode(), reinterpret_cast<DEVMODEW*>(dst.bytes.data()));
        const size_t pub = std::min(c.srcPublic, c.dstPublic);
        const size_t priv = std::min(c.srcPrivate, c.dstPrivate);
        EXPECT_EQ(copied, static_cast<LONG>(pub + priv));
        // Header: target's own sizes and driver version, spec version by its size.
        EXPECT_EQ(dst.Get16(68), c.dstPublic);
        EXPECT_EQ(dst.Get16(70), c.dstPrivate);
        EXPECT_EQ(dst.Get16(66), 0x0777);
        IncomingDevmode probe(c.dstPublic, 0, 0x0123);
        EXPECT_EQ(dst.Get16(64), GetDevmodeSpecVersion(probe.devmode()));
        for (size_t i = 72; i < pub; ++i) ASSERT_EQ(dst.bytes[i], src.bytes[i]) << "public byte " << i;
        for (size_t i = pub; i < c.dstPublic; ++i) ASSERT_EQ(dst.bytes[i], dstBefore[i]) << "public byte " << i;
        for (size_t i = 0; i < priv; ++i)
            ASSERT_EQ(dst.bytes[c.dstPublic + i], src.bytes[c.srcPublic + i]) << "private byte " << i;
    }
}

TEST(DevmodeConvert, CopyPartsRefusesVersionZero) {
    IncomingDevmode src(200, 0, 0);  // unknown size with version 0
    IncomingDevmode dst(220, 0);
    EXPECT_EQ(CopyDevmodeParts(src.devmode(), reinterpret_cast<DEVMODEW*>(dst.bytes.data())), -1);
    EXPECT_EQ(CopyDevmodeParts(dst.devmode(), reinterpret_cast<DEVMODEW*>(src.bytes.data())), -1);
    EXPECT_EQ(CopyDevmodeParts(nullptr, reinterpret_cast<DEVMODEW*>(dst.bytes.data())), -1);
}

TEST(DevmodeConvert, BoundedCopyNeverReadsPastTheSource) {
    IncomingDevmode src = Patterned(220, 0);
    src.Put16(70, 5000);  // claims a private part it does not have
    IncomingDevmode dst(220, 8000);
    LONG copied = CopyDevmodePartsBounded(src.bytes.data(), src.bytes.size(), dst.bytes.data(), dst.bytes.size());
    EXPECT_EQ(copied, 220);
}

TEST(DevmodeConvert, CopyForCallerTakesSmallerSizesFromSourceOrReference) {
    IncomingDevmode source = Patterned(220, 400);
    source.Put16(66, 0x0101);
    IncomingDevmode reference(188, 1000, 0x0320);
    reference.Put16(66, 0x0200);
    IncomingDevmode target(220, 1000);
    target.Put16(66, 0x0555);
    ASSERT_TRUE(
        CopyDevmodeForCaller(source.devmode(), reference.devmode(), reinterpret_cast<DEVMODEW*>(target.bytes.data())));
    EXPECT_EQ(target.Get16(68), 188);  // reference's smaller public size
    EXPECT_EQ(target.Get16(64), 0x0320);
    EXPECT_EQ(target.Get16(70), 400);     // source's smaller private size
    EXPECT_EQ(target.Get16(66), 0x0101);  // and the source's driver version with it
    EXPECT_EQ(target.bytes[188], source.bytes[220]);

    // Equal public sizes: the source's size and dmSpecVersion (an unknown size keeps its own).
    IncomingDevmode odd = Patterned(200, 10, 0x0350);
    IncomingDevmode oddReference(200, 20, 0x0360);
    IncomingDevmode oddTarget(220, 100);
    ASSERT_TRUE(CopyDevmodeForCaller(odd.devmode(), oddReference.devmode(),
                                     reinterpret_cast<DEVMODEW*>(oddTarget.bytes.data())));
    EXPECT_EQ(oddTarget.Get16(68), 200);
    EXPECT_EQ(oddTarget.Get16(64), 0x0350);
    EXPECT_EQ(oddTarget.Get16(70), 10);

    IncomingDevmode whole(220, 400);
    ASSERT_TRUE(CopyDevmodeForCaller(source.devmode(), nullptr, reinterpret_cast<DEVMODEW*>(whole.bytes.data())));
    EXPECT_EQ(whole.bytes, source.bytes);
}

class ConvertCore : public ::testing::Test {
protected:
    IncomingDevmode source = Patterned(220, kPrivateDevmodeSize);
};

TEST_F(ConvertCore, MissingSizeIsInvalidParameter) {
    SetLastError(0);
    EXPECT_EQ(ConvertDevmodeCore(u"P", source.devmode(), nullptr, nullptr, CDM_CONVERT, &kDevmodeVersionInfo), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ConvertCore, ConvertIntoTargetOfItsOwnSize) {
    IncomingDevmode target(212, 100, 0x0400);
    LONG size = static_cast<LONG>(target.bytes.size());
    EXPECT_EQ(ConvertDevmodeCore(u"P", source.devmode(), reinterpret_cast<DEVMODEW*>(target.bytes.data()), &size,
                                 CDM_CONVERT, &kDevmodeVersionInfo),
              1);
    EXPECT_EQ(size, 312);
    EXPECT_EQ(target.bytes[100], source.bytes[100]);
    EXPECT_EQ(target.bytes[212], source.bytes[220]);

    // The other way: a 3.51 DEVMODE into a 220-byte target.
    IncomingDevmode old351 = Patterned(188, 100, 0x0320);
    IncomingDevmode wide(220, kPrivateDevmodeSize);
    LONG wideSize = static_cast<LONG>(wide.bytes.size());
    EXPECT_EQ(ConvertDevmodeCore(u"P", old351.devmode(), reinterpret_cast<DEVMODEW*>(wide.bytes.data()), &wideSize,
                                 CDM_CONVERT, &kDevmodeVersionInfo),
              1);
    EXPECT_EQ(wide.Get16(64), 0x0401);
    EXPECT_EQ(wide.bytes[187], old351.bytes[187]);
    EXPECT_EQ(wide.bytes[188], 0);  // beyond the source's public part
    EXPECT_EQ(wide.bytes[220 + 99], old351.bytes[188 + 99]);

    struct Bad {
        const char* what;
        bool withTarget;
        LONG size;
    };
    for (const Bad& b : {Bad{"no target", false, 4000}, Bad{"too small", true, 311}}) {
        LONG s = b.size;
        SetLastError(0);
        EXPECT_EQ(ConvertDevmodeCore(u"P", source.devmode(),
                                     b.withTarget ? reinterpret_cast<DEVMODEW*>(target.bytes.data()) : nullptr, &s,
                                     CDM_CONVERT, &kDevmodeVersionInfo),
                  0)
            << b.what;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << b.what;
    }
}

TEST_F(ConvertCore, Convert351ReportsNeededSizeAndFillsThe351Form) {
    const LONG needed = 188 + (kJapaneseBuild ? 8292 : 4188);
    for (LONG given : {LONG{0}, needed - 1}) {
        std::vector<BYTE> small(static_cast<size_t>(given) + 1);
        LONG size = given;
        SetLastError(0);
        EXPECT_EQ(ConvertDevmodeCore(u"P", source.devmode(), reinterpret_cast<DEVMODEW*>(small.data()), &size,
                                     CDM_CONVERT351, &kDevmodeVersionInfo),
                  0);
        EXPECT_EQ(size, needed);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    }
    LONG size = 0;
    EXPECT_EQ(ConvertDevmodeCore(u"P", source.devmode(), nullptr, &size, CDM_CONVERT351, &kDevmodeVersionInfo), 0);
    EXPECT_EQ(size, needed);

    std::vector<BYTE> target(static_cast<size_t>(needed), 0xCC);
    size = needed;
    EXPECT_EQ(ConvertDevmodeCore(u"P", source.devmode(), reinterpret_cast<DEVMODEW*>(target.data()), &size,
                                 CDM_CONVERT351, &kDevmodeVersionInfo),
              1);
    EXPECT_EQ(size, needed);
    const auto* dm = reinterpret_cast<const DEVMODEW*>(target.data());
    EXPECT_EQ(dm->dmSpecVersion, 0x0320);
    EXPECT_EQ(dm->dmSize, 188);
    EXPECT_EQ(dm->dmDriverExtra, kPrivateDevmodeSize);
    EXPECT_EQ(dm->dmDriverVersion, 0x0100);
    EXPECT_EQ(target[187], source.bytes[187]);
    EXPECT_EQ(std::memcmp(target.data() + 188, source.bytes.data() + 220, kPrivateDevmodeSize), 0);
}

TEST_F(ConvertCore, DriverDefaultNeedsRoomAndIsLeftToTheExport) {
    const LONG needed = 220 + (kJapaneseBuild ? 8292 : 4188);
    std::vector<BYTE> target(static_cast<size_t>(needed));
    LONG size = needed - 1;
    SetLastError(0);
    EXPECT_EQ(ConvertDevmodeCore(u"P", nullptr, reinterpret_cast<DEVMODEW*>(target.data()), &size, CDM_DRIVER_DEFAULT,
                                 &kDevmodeVersionInfo),
              0);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    size = needed + 10;
    EXPECT_EQ(ConvertDevmodeCore(u"P", nullptr, reinterpret_cast<DEVMODEW*>(target.data()), &size, CDM_DRIVER_DEFAULT,
                                 &kDevmodeVersionInfo),
              2);
    EXPECT_EQ(size, needed);
}

TEST_F(ConvertCore, EachModeTakesItsOwnVersionInfo) {
    // The 3.51 form and the current form may differ: each mode sizes by its own pair of values.
    const DevmodeVersionInfo info{0x0101, 300, 0x0035, 40};
    struct Case {
        DWORD mode;
        LONG needed;
    };
    for (const Case& c : {Case{CDM_CONVERT351, 188 + 40}, Case{CDM_DRIVER_DEFAULT, 220 + 300}}) {
        LONG size = 0;
        EXPECT_EQ(ConvertDevmodeCore(u"P", source.devmode(), nullptr, &size, c.mode, &info), 0) << c.mode;
        EXPECT_EQ(size, c.needed) << c.mode;
    }
    std::vector<BYTE> target(188 + 40, 0);
    LONG size = static_cast<LONG>(target.size());
    ASSERT_EQ(ConvertDevmodeCore(u"P", source.devmode(), reinterpret_cast<DEVMODEW*>(target.data()), &size,
                                 CDM_CONVERT351, &info),
              1);
    const auto* dm = reinterpret_cast<const DEVMODEW*>(target.data());
    EXPECT_EQ(dm->dmDriverVersion, 0x0035);
    EXPECT_EQ(dm->dmDriverExtra, 40);
    EXPECT_EQ(target[188 + 39], source.bytes[220 + 39]);
}

TEST_F(ConvertCore, OtherModesAreNotHandledHere) {
    LONG size = 10;
    EXPECT_EQ(ConvertDevmodeCore(u"P", source.devmode(), nullptr, &size, 8, &kDevmodeVersionInfo), 2);
    EXPECT_EQ(size, 10);
}

TEST(DevmodeVersionInfoValues, MatchTheBuild) {
    EXPECT_EQ(kDevmodeVersionInfo.driverVersion, 0x0100);
    EXPECT_EQ(kDevmodeVersionInfo.privateSize, kJapaneseBuild ? 8292 : 4188);
    EXPECT_EQ(kDevmodeVersionInfo.driverVersion351, 0x0100);
    EXPECT_EQ(kDevmodeVersionInfo.privateSize351, kJapaneseBuild ? 8292 : 4188);
}

}  // namespace
