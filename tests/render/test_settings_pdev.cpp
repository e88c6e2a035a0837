// The job's settings into the device context: state, papers, resolution, zoom and cells, the
// hidden-printing rule, the substitution block, GDIINFO and DEVINFO.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/form_overlay.h"
#include "core/settings.h"
#include "plat/control.h"
#include "render/page_settings.h"
#include "render/pdev.h"
#include "test_pjl_fixture.h"
#include "win/ddi.h"

namespace {

namespace dm = orla::dm;

// A device context as DrvEnablePDEV has it before the settings: list, device data, no printer.
struct SettingsFixture {
    g3test::DeviceDataPtr data = g3test::Compile(g3test::Description());
    std::unique_ptr<PrinterPdev> holder = std::make_unique<PrinterPdev>();
    PrinterPdev* pdev = holder.get();
    orla::DriverDevmode incoming{};

    SettingsFixture() {
        pdev->allocationList = CreatePdevAllocationList();
        pdev->deviceData = data.get();
        pdev->output.capacity = kOutputBufferCapacity;
        pdev->output.writePointer = pdev->output.data;
        orla::SetDefaultDevmode(&incoming, nullptr, nullptr, data.get());
    }
    ~SettingsFixture() {
        if (pdev->palette) EngDeletePalette(pdev->palette);
        FreePdevAllocationList(pdev->allocationList);
    }
    DEVMODEW* In() { return orla::AsDevmode(incoming); }
    template <class T, class V>
    void Set(orla::DmField<T> f, V v) {
        orla::Set(incoming, f, v);
    }
    BOOL Load() { return LoadPdevSettings(pdev, In(), u"QEV Fixture 200"); }
    DWORD Flags1() { return orla::Get(incoming, dm::Flags1); }
};

TEST(SettingsPdev, DefaultsGiveAnA4PageAt600) {
    SettingsFixture f;
    ASSERT_TRUE(f.Load());
    PrinterPdev* p = f.pdev;
    EXPECT_EQ(p->leadingMagic, kPdevMagic);
    EXPECT_EQ(p->trailingMagic, kPdevMagic);
    EXPECT_TRUE(ValidatePdev(p));
    EXPECT_EQ(p->pending, kPendingJobHeader);
    EXPECT_TRUE(p->state & kStateModeZ);
    EXPECT_EQ(p->geometry.resolution, 600);
    EXPECT_EQ(p->geometry.coordinateMultiplier, 1);
    EXPECT_EQ(p->geometry.logicalPaper.code, PaperA4);
    EXPECT_EQ(p->geometry.logicalPaper.left, 4000);
    EXPECT_EQ(p->geometry.logicalPaper.top, 4050);
    EXPECT_EQ(p->geometry.outputPaper.code, PaperA4);
    EXPECT_EQ(p->geometry.zoom, 100);
    EXPECT_EQ(p->geometry.printable.left, ConvertToDevicePixels(4000, 600));
    EXPECT_EQ(p->geometry.paperSize.cx, ConvertToDevicePixels(210000, 600));
    const LONG width = ConvertToDevicePixels(206000 - 4000, 600), height = ConvertToDevicePixels(292950 - 4050, 600);
    EXPECT_EQ(p->geometry.bandClip[0].right, width + 1);
    EXPECT_EQ(p->geometry.bandClip[2].bottom, height + 1);
    EXPECT_EQ(p->geometry.bandClip[3].right, height + 1);
    // No printer data: the built-in substitution pairs, with the extra terminator.
    const PrinterDataTables& t = p->settings.tables;
    ASSERT_NE(t.fontSubstitution, nullptr);
    EXPECT_EQ(t.fontSubstitution[t.fontSubstitutionChars - 1], 0);
    LPCWSTR face = nullptr, font = nullptr;
    ASSERT_TRUE(TTSubstPairAt(t.fontSubstitution, t.fontSubstitutionChars, 3, &face, &font));
    EXPECT_EQ(std::u16string(face), u"@ＭＳ ゴシック");
    EXPECT_EQ(std::u16string(font), u"@ｺﾞｼｯｸ");
    EXPECT_FALSE(TTSubstPairAt(t.fontSubstitution, t.fontSubstitutionChars, 4, &face, &font));
}

TEST(SettingsPdev, ResolutionsAndTheirMultiplier) {
    static const struct {
        SHORT asked;
        LONG dpi;
        LONG multiplier;
    } kCases[] = {{300, 300, 2}, {600, 600, 1}, {200, 200, 2}, {1200, 1200, 1},
                  {240, 240, 1}, {0, 600, 1},   {-3, 600, 1}};
    for (const auto& c : kCases) {
        SettingsFixture f;
        f.In()->dmPrintQuality = c.asked;
        ASSERT_TRUE(f.Load());
        // The merge may refuse a resolution the model lacks; whatever it keeps, the PDEV scales
        // only by a resolution the printer knows.
        const LONG dpi = f.pdev->geometry.resolution;
        EXPECT_TRUE(dpi == 200 || dpi == 240 || dpi == 300 || dpi == 400 || dpi == 600 || dpi == 1200) << c.asked;
        EXPECT_EQ(f.pdev->geometry.coordinateMultiplier, (dpi == 200 || dpi == 300) ? 2 : 1);
        if (orla::AsDevmode(f.pdev->settings.record)->dmPrintQuality == c.asked) {
            EXPECT_EQ(dpi, c.dpi) << c.asked;
            EXPECT_EQ(f.pdev->geometry.coordinateMultiplier, c.multiplier);
        }
    }
}

TEST(SettingsPdev, LayoutsGiveZoomAndCells) {
    for (WORD layout : {1, 2, 4, 6, 8, 9, 3, 200}) {
        SettingsFixture f;
        f.Set(dm::LayoutMode, layout);
        ASSERT_TRUE(f.Load()) << layout;
        const LONG mode = orla::Get(f.pdev->settings.record, dm::LayoutMode);
        const WORD zoom = f.pdev->geometry.zoom;
        EXPECT_GE(zoom, 10);
        EXPECT_LE(zoom, 400);
        if (mode == 1) {
            EXPECT_EQ(zoom, 100);
            EXPECT_EQ(f.pdev->geometry.pageRects[0].right, 0);
        } else {
            EXPECT_NE(zoom, 100) << mode;
            for (unsigned i = 0; i < LayoutCellsOf(mode); ++i)
                EXPECT_LT(f.pdev->geometry.pageRects[i].left, f.pdev->geometry.pageRects[i].right);
        }
        if (mode == 4) {
            EXPECT_LT(zoom, 50);
        }
    }
}

TEST(SettingsPdev, StrayZoomIsKeptInRange) {
    for (WORD zoom : {0, 5, 401, 65535}) {
        SettingsFixture f;
        f.Set(dm::Zoom, zoom);
        ASSERT_TRUE(f.Load());
        EXPECT_GE(f.pdev->geometry.zoom, 10);
        EXPECT_LE(f.pdev->geometry.zoom, 400);
    }
}

TEST(SettingsPdev, FlagsIntoState) {
    {
        SettingsFixture f;
        f.Set(dm::Flags1, f.Flags1() | orla::kFlags1RasterMode);
        ASSERT_TRUE(f.Load());
        EXPECT_TRUE(f.pdev->state & kStateRasterMode);
    }
    {
        SettingsFixture f;
        f.Set(dm::Flags1, f.Flags1() & ~orla::kFlags1RasterMode);
        ASSERT_TRUE(f.Load());
        EXPECT_FALSE(f.pdev->state & kStateRasterMode);
    }
    for (bool printBlank : {false, true}) {
        SettingsFixture f;
        f.Set(dm::Flags1, printBlank ? (f.Flags1() | 0x10000000u) : (f.Flags1() & ~0x10000000u));
        ASSERT_TRUE(f.Load());
        EXPECT_EQ(f.pdev->pageSetup.blankSheet, printBlank ? 0u : 1u);
        EXPECT_EQ(f.pdev->pageSetup.blankSheetReset, printBlank ? 0u : 1u);
    }
}

TEST(SettingsPdev, SheetSettings) {
    SettingsFixture f;
    f.In()->dmDefaultSource = 258;
    f.Set(dm::SeparateTraysOn, DWORD{1});
    f.Set(dm::FirstSheetTray, DWORD{257});
    f.Set(dm::SecondSheetTray, DWORD{300});
    f.Set(dm::SlipSheetsOn, DWORD{1});
    f.Set(dm::SlipSheetTray, DWORD{4});
    f.Set(dm::SlipSheetKind, DWORD{1});
    f.Set(dm::FrontCoverOn, DWORD{1});
    f.Set(dm::FrontCoverTray, DWORD{14});
    f.Set(dm::SheetSetting, DWORD{7});
    ASSERT_TRUE(f.Load());
    const SheetSettings& s = f.pdev->settings.sheet;
    EXPECT_EQ(s.sheetSetting, 7u);
    EXPECT_EQ(s.slipSheetsOn, 1u);
    EXPECT_EQ(s.slipSheetTray, 4u);
    EXPECT_EQ(s.slipSheetKind, 1u);
    EXPECT_EQ(s.firstSheetTray, 257u);
    EXPECT_EQ(s.firstTrayOwn, 1u);
    const SHORT source = orla::AsDevmode(f.pdev->settings.record)->dmDefaultSource;
    EXPECT_EQ(s.secondSheetTray, static_cast<DWORD>(source));  // 300: the document's tray
    EXPECT_EQ(s.secondTrayOwn, 0u);
    EXPECT_EQ(s.frontCoverOn, 1u);
    EXPECT_EQ(s.frontCoverTray, 14u);
}

TEST(SettingsPdev, PageStampTexts) {
    constexpr orla::DmText kUser{1176, 22}, kComputer{522, 16};
    static const struct {
        DWORD kind;
        std::u16string text;
        DWORD flag6, flag7;
    } kCases[] = {
        {0, u"taro", 0, 0}, {1, u"PC01", 0, 0}, {2, u"taro/PC01", 0, 0},
        {6, u"", 1, 0},     {7, u"", 0, 1},     {8, u"note", 0, 0},
    };
    for (const auto& c : kCases) {
        SettingsFixture f;
        orla::SetText(orla::RecordBytes(f.incoming), kUser, u"taro");
        orla::SetText(orla::RecordBytes(f.incoming), kComputer, u"PC01");
        orla::SetText(orla::RecordBytes(f.incoming), dm::AnnotationText, u"note");
        f.Set(dm::AnnotationKind, c.kind);
        ASSERT_TRUE(f.Load());
        const PageNumberStamp& st = f.pdev->settings.pageStamp;
        EXPECT_EQ(std::u16string(st.text), c.text) << c.kind;
        EXPECT_EQ(st.flagKind6, c.flag6);
        EXPECT_EQ(st.flagKind7, c.flag7);
    }
}

TEST(SettingsPdev, HiddenPrintingClashSuppressesTheJob) {
    if constexpr (!orla::kJapaneseBuild) GTEST_SKIP() << "no hidden printing in this build";
    static const struct {
        SHORT dpi;
        bool suppressed;
    } kCases[] = {{600, false}, {1200, true}};
    int checked = 0;
    for (const auto& c : kCases) {
        SettingsFixture f;
        f.In()->dmPrintQuality = c.dpi;
        f.Set(dm::TrustMarkResult, DWORD{1});
        ASSERT_TRUE(f.Load());
        if (f.pdev->geometry.resolution != c.dpi) continue;  // the merge refused the value
        if (orla::Get(f.pdev->settings.record, dm::TrustMarkResult) != 1) continue;
        EXPECT_EQ(f.pdev->trustMark.suppressOutput, c.suppressed ? 1u : 0u) << c.dpi;
        ++checked;
    }
    EXPECT_EQ(checked, 2) << "the settings never reached the rule";
}

TEST(SettingsPdev, GdiInfo) {
    SettingsFixture f;
    ASSERT_TRUE(f.Load());
    GDIINFO info{};
    std::memset(&info, 0xCD, sizeof(info));
    ASSERT_TRUE(FillGdiInfo(f.pdev, sizeof(info), &info));
    EXPECT_EQ(info.ulVersion, 0x400u);
    EXPECT_EQ(info.ulTechnology, static_cast<ULONG>(DT_RASPRINTER));
    EXPECT_EQ(info.ulHorzSize, 202u);  // 202,000 um exactly
    EXPECT_EQ(info.ulVertSize, 289u);  // 288,900 um: 288 plus one for the remainder
    EXPECT_EQ(info.ulHorzRes, static_cast<ULONG>(ConvertToDevicePixels(202000, 600)));
    EXPECT_EQ(info.cBitsPixel, 1u);
    EXPECT_EQ(info.ulNumColors, 2u);
    EXPECT_EQ(info.ulLogPixelsX, 600u);
    EXPECT_EQ(info.ulAspectXY, 848u);
    EXPECT_EQ(info.denStyleStep, 12);
    EXPECT_EQ(info.ptlPhysOffset.y, ConvertToDevicePixels(4050, 600));
    EXPECT_EQ(info.szlPhysSize.cy, ConvertToDevicePixels(297000, 600));
    EXPECT_EQ(info.ulHTPatternSize, static_cast<ULONG>(HT_PATSIZE_8x8_M));  // from the resolution entry
    EXPECT_EQ(info.ciDevice.RedGamma, 10000);
    EXPECT_EQ(info.ulPrimaryOrder, 4u);
    EXPECT_EQ(info.flHTFlags, 2u);
    EXPECT_EQ(info.flTextCaps, 0x1FFFu);
    // At most 304 bytes are copied, and never more than asked.
    std::vector<BYTE> small(40, 0xEE);
    ASSERT_TRUE(FillGdiInfo(f.pdev, 16, small.data()));
    EXPECT_EQ(small[16], 0xEE);
    std::vector<BYTE> large(sizeof(GDIINFO) + 16, 0xEE);
    ASSERT_TRUE(FillGdiInfo(f.pdev, static_cast<ULONG>(large.size()), large.data()));
    EXPECT_EQ(large[304], 0xEE);
}

// A landscape page is the paper turned: GDI draws on a page wider than high, with the printable
// rectangle's bounds traded, because the page set-up tells the printer "L".
TEST(SettingsPdev, LandscapeGdiInfoIsThePaperTurned) {
    SettingsFixture f;
    f.In()->dmOrientation = DMORIENT_LANDSCAPE;
    ASSERT_TRUE(f.Load());
    GDIINFO info{};
    ASSERT_TRUE(FillGdiInfo(f.pdev, sizeof(info), &info));
    EXPECT_EQ(info.szlPhysSize.cx, ConvertToDevicePixels(297000, 600));
    EXPECT_EQ(info.szlPhysSize.cy, ConvertToDevicePixels(210000, 600));
    EXPECT_EQ(info.ulHorzRes, static_cast<ULONG>(ConvertToDevicePixels(288900, 600)));
    EXPECT_EQ(info.ulVertRes, static_cast<ULONG>(ConvertToDevicePixels(202000, 600)));
    EXPECT_EQ(info.ptlPhysOffset.x, ConvertToDevicePixels(4050, 600));
    EXPECT_EQ(info.ptlPhysOffset.y, ConvertToDevicePixels(4000, 600));
}

TEST(SettingsPdev, DevInfo) {
    {
        SettingsFixture f;
        f.Set(dm::Flags1, f.Flags1() & ~orla::kFlags1RasterMode);
        f.Set(dm::Flags2, orla::Get(f.incoming, dm::Flags2) & ~(1u << 20) & ~(1u << 16));
        ASSERT_TRUE(f.Load());
        DEVINFO info{};
        ASSERT_TRUE(FillDevInfo(f.pdev, sizeof(info), &info, HT_PATSIZE_8x8_M));
        EXPECT_EQ(info.flGraphicsCaps, 0x011Fu);
        EXPECT_EQ(info.lfDefaultFont.lfHeight, -(600 * 11 + 36) / 72);
        EXPECT_EQ(std::u16string(info.lfAnsiFixFont.lfFaceName), u"Courier");
        EXPECT_EQ(std::u16string(info.lfDefaultFont.lfFaceName), u"Helv");
        EXPECT_NE(info.hpalDefault, nullptr);
        EXPECT_EQ(info.hpalDefault, f.pdev->palette);
        EXPECT_EQ(info.cxDither, 8);
        // A second call replaces the palette rather than leaking it.
        HPALETTE first = f.pdev->palette;
        ASSERT_TRUE(FillDevInfo(f.pdev, sizeof(info), &info, 999));
        EXPECT_NE(f.pdev->palette, nullptr);
        EXPECT_EQ(info.cxDither, 16);  // an unknown pattern size is taken as the largest
        (void)first;
    }
    {
        SettingsFixture f;
        f.Set(dm::Flags1, f.Flags1() | orla::kFlags1RasterMode);
        f.Set(dm::Flags2, orla::Get(f.incoming, dm::Flags2) | (1u << 20));
        ASSERT_TRUE(f.Load());
        DEVINFO info{};
        ASSERT_TRUE(FillDevInfo(f.pdev, sizeof(info), &info, HT_PATSIZE_6x6));
        EXPECT_EQ(info.flGraphicsCaps, 0x2430u);  // raster caps and the account-mode bit
        EXPECT_EQ(info.lfAnsiVarFont.lfFaceName[0], 0);
    }
}

}  // namespace

namespace {

TEST(SettingsPdev, FormPaperCodes) {
    static const struct {
        DWORD source, destination;
        SHORT code;
    } kCases[] = {
        {1, 1, 106},
        {2, 2, 105},
        {256, 256, 102},
        {512, 512, 101},
        {1024, 1024, 100},
        {4096, 4096, 104},
        {8192, 8192, 103},
        {1024, 512, 109},
        {1024, 8192, 110},
        {512, 1024, 111},
        {512, 0x80000200, 112},
        {512, 8192, 113},
        {512, 4096, 114},
        {8192, 1024, 115},
        {8192, 512, 116},
        {8192, 4096, 117},
        {4096, 512, 118},
        {4096, 8192, 119},
        {4096, 0x80001000, 120},
        {32, 512, 121},
        {32, 8192, 122},
        {32, 32, 77},
        {512, 2, 77},
        {0, 0, 77},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(MapFormPaperCode(c.source, c.destination, 77), c.code) << c.source << "->" << c.destination;
}

class OverlayFile : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/orla-g3-ovl-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        root_ = templ;
        PlatSetSandboxRoot(root_.c_str());
        std::filesystem::create_directories(root_ + "/C/forms");
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    void WriteOverlay(const std::string& bytes) {
        std::ofstream out(root_ + "/C/forms/memo.fn2", std::ios::binary);
        out << bytes;
    }
    // Loads settings with the overlay on; the overlay status and whether it stayed on.
    std::pair<DWORD, bool> Load() {
        SettingsFixture f;
        f.Set(dm::FlagsWord, WORD{0x0001});
        orla::SetAnsi(orla::RecordBytes(f.incoming), dm::OverlayFolder, "C:\\forms");
        orla::SetAnsi(orla::RecordBytes(f.incoming), dm::OverlayName, "memo");
        LoadFormOverlay(f.pdev);  // on the PDEV's record, as LoadPdevSettings does after the merge
        std::memcpy(f.pdev->settings.record.bytes, f.incoming.bytes, sizeof(f.incoming.bytes));
        LoadFormOverlay(f.pdev);
        return {orla::Get(f.pdev->settings.record, dm::OverlayStatus),
                (orla::Get(f.pdev->settings.record, dm::FlagsWord) & 1) != 0};
    }
    std::string root_;
};

TEST_F(OverlayFile, MissingFileTurnsTheOverlayOff) {
    EXPECT_EQ(Load(), (std::pair<DWORD, bool>{0x40000, false}));
}

TEST_F(OverlayFile, ForeignFileTurnsTheOverlayOff) {
    std::string bytes(256, '\0');
    bytes.replace(0, 9, "NOT QEV\n");
    bytes[112] = 2;
    WriteOverlay(bytes);
    EXPECT_EQ(Load(), (std::pair<DWORD, bool>{0x100, false}));
    bytes.replace(0, 3, "QEV");
    bytes[112] = 1;  // an overlay for the older language
    WriteOverlay(bytes);
    EXPECT_EQ(Load(), (std::pair<DWORD, bool>{0x100, false}));
}

// A good overlay decides the paper, the tray and the orientation, whatever the record chose.
TEST_F(OverlayFile, GoodFileGivesItsPaperTrayAndOrientation) {
    static const struct {
        const char* what;
        DWORD madeFor, printOn, tray;
        char orientation;
        SHORT logical, output;
        SHORT orient, source;
    } kCases[] = {
        // A conversion paper is its own output paper unless the record chooses one.
        {"A4 form on A3, landscape, tray 2", 512, 1024, 0x100, 'L', PaperA4ToA3, PaperA4ToA3, DMORIENT_LANDSCAPE, 258},
        {"A4 form on A4, portrait, tray 1", 512, 512, 0x1, 'P', PaperA4, PaperA4, DMORIENT_PORTRAIT, 257},
        {"A3 form on A3, landscape, manual", 1024, 1024, 0x1000000, 'L', PaperA3, PaperA3, DMORIENT_LANDSCAPE, 4},
        {"an unknown pair keeps the paper, automatic tray", 32, 32, 0x7, 'P', PaperA4, PaperA4, DMORIENT_PORTRAIT, 1},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        std::string bytes(256, '\0');
        bytes.replace(0, 25, "QEV Quintarc Form Object\n");
        bytes[112] = 2;
        auto put = [&](size_t at, DWORD v) {
            for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        };
        put(132, c.tray);
        put(136, c.madeFor);
        put(152, c.printOn);
        bytes[148] = c.orientation;
        bytes[164] = c.orientation;
        WriteOverlay(bytes);
        SettingsFixture f;
        f.Set(dm::FlagsWord, WORD{0x0001});
        orla::SetAnsi(orla::RecordBytes(f.incoming), dm::OverlayFolder, "C:\\forms");
        orla::SetAnsi(orla::RecordBytes(f.incoming), dm::OverlayName, "memo");
        // The user's own choice, which the overlay overrides: A4 portrait from the multi-purpose tray.
        f.In()->dmOrientation = DMORIENT_PORTRAIT;
        f.In()->dmDefaultSource = 14;
        ASSERT_TRUE(f.Load());
        EXPECT_EQ(orla::Get(f.pdev->settings.record, dm::OverlayStatus), 0u);
        EXPECT_EQ(f.pdev->geometry.logicalPaper.code, c.logical);
        EXPECT_EQ(f.pdev->geometry.outputPaper.code, c.output);
        EXPECT_EQ(orla::AsDevmode(f.pdev->settings.record)->dmOrientation, c.orient);
        EXPECT_EQ(orla::AsDevmode(f.pdev->settings.record)->dmDefaultSource, c.source);
    }
}

// A postcard form asking for the manual feeder keeps the record's tray when no manual feeder is
// installed; installed, the feeder is taken.
TEST(SettingsPdev, OverlayPostcardTakesTheManualFeederOnlyWhenInstalled) {
    for (bool installed : {false, true}) {
        SCOPED_TRACE(installed ? "manual feeder installed" : "no manual feeder");
        SettingsFixture f;
        orla::DriverDevmode& record = f.pdev->settings.record;
        record = f.incoming;
        orla::AsDevmode(record)->dmDefaultSource = 14;
        const auto pair = dm::DeviceState(dm::DevicePairIndex(652));
        orla::Set(record, pair,
                  static_cast<WORD>(installed ? (orla::Get(record, pair) | dm::kDeviceInstalled)
                                              : (orla::Get(record, pair) & ~dm::kDeviceInstalled)));
        orla::FormOverlayHeader header{};
        const DWORD words[][2] = {{132, 0x1000000}, {136, 1}, {152, 1}};
        for (const auto& [at, value] : words)
            for (int i = 0; i < 4; ++i) header.bytes[at + i] = static_cast<BYTE>(value >> (8 * i));
        header.bytes[148] = 'P';
        ReadFormOverlayDetails(f.pdev, header);
        EXPECT_EQ(orla::GetText(record, dm::FormName), u"はがき");
        EXPECT_EQ(orla::AsDevmode(record)->dmDefaultSource, installed ? 4 : 14);
    }
}

TEST_F(OverlayFile, GoodFileKeepsTheOverlay) {
    std::string bytes(256, '\0');
    bytes.replace(0, 25, "QEV Quintarc Form Object\n");
    bytes[112] = 2;
    WriteOverlay(bytes);
    EXPECT_EQ(Load(), (std::pair<DWORD, bool>{0, true}));
}

}  // namespace

namespace {

TEST(SettingsPdev, PageStampDatesUseTheClockUnlessItIsBehind) {
    static const struct {
        WORD year, month, day, hour, minute;
        DWORD kind;
        std::u16string text;
    } kCases[] = {
        {2026, 3, 4, 5, 6, 3, u"2026-03-04"},
        {2026, 3, 4, 5, 6, 4, u"05:06"},
        {2026, 3, 4, 5, 6, 5, u"2026-03-04/05:06"},
        // Earlier than the date recorded in the device data (2020-01-02 12:30): the recorded one.
        {2019, 12, 31, 23, 59, 5, u"2020-01-02/12:30"},
        {2020, 1, 2, 12, 29, 4, u"12:30"},
        {2020, 1, 2, 12, 31, 4, u"12:31"},
    };
    for (const auto& c : kCases) {
        SYSTEMTIME t{};
        t.wYear = c.year;
        t.wMonth = c.month;
        t.wDay = c.day;
        t.wHour = c.hour;
        t.wMinute = c.minute;
        PlatSetLocalTime(&t);
        SettingsFixture f;
        f.Set(dm::AnnotationKind, c.kind);
        ASSERT_TRUE(f.Load());
        EXPECT_EQ(std::u16string(f.pdev->settings.pageStamp.text), c.text)
            << c.year << "-" << c.month << " kind " << c.kind;
    }
    PlatSetLocalTime(nullptr);
}

}  // namespace
