// DllEntryPoint, DrvEnableDriver with its hook table, DrvDisableDriver, DrvQueryDriverInfo, and
// the allocation list every PDEV block hangs on.
#include <vector>

#include "render_fixture.h"

namespace render_test {
namespace {

template <class F>
PFN AsPfn(F* function) {
    return reinterpret_cast<PFN>(reinterpret_cast<void (*)(void)>(function));
}

TEST(DriverEntry, RefusesOldEnginesAndShortEnableBlocks) {
    struct Case {
        ULONG version;
        ULONG size;
        bool withBlock;
    } cases[] = {
        {0x1FFFF, sizeof(DRVENABLEDATA), true},
        {0x10000, sizeof(DRVENABLEDATA), true},
        {0, sizeof(DRVENABLEDATA), true},
        {DDI_DRIVER_VERSION_NT4, 11, true},
        {DDI_DRIVER_VERSION_NT4, 0, true},
        // This build's block carries a 64-bit table pointer: 12 bytes cannot hold it.
        {DDI_DRIVER_VERSION_NT4, sizeof(DRVENABLEDATA) - 1, true},
        {DDI_DRIVER_VERSION_NT4, sizeof(DRVENABLEDATA), false},
    };
    for (const Case& c : cases) {
        DRVENABLEDATA ded{0xAAAA, 0xBBBB, nullptr};
        SetLastError(0);
        EXPECT_FALSE(DrvEnableDriver(c.version, c.size, c.withBlock ? &ded : nullptr))
            << "version " << std::hex << c.version << " size " << std::dec << c.size;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_DRIVER_LEVEL));
        EXPECT_EQ(ded.c, 0xBBBBu) << "nothing is written into a refused block";
    }
}

TEST(DriverEntry, HandsOut28HooksInTheirOrder) {
    const std::vector<std::pair<ULONG, PFN>> expected = {
        {INDEX_DrvEnablePDEV, AsPfn(DrvEnablePDEV)},
        {INDEX_DrvResetPDEV, AsPfn(DrvResetPDEV)},
        {INDEX_DrvCompletePDEV, AsPfn(DrvCompletePDEV)},
        {INDEX_DrvDisablePDEV, AsPfn(DrvDisablePDEV)},
        {INDEX_DrvEnableSurface, AsPfn(DrvEnableSurface)},
        {INDEX_DrvDisableSurface, AsPfn(DrvDisableSurface)},
        {INDEX_DrvGetGlyphMode, AsPfn(DrvGetGlyphMode)},
        {INDEX_DrvTextOut, AsPfn(DrvTextOut)},
        {INDEX_DrvQueryFont, AsPfn(DrvQueryFont)},
        {INDEX_DrvQueryFontTree, AsPfn(DrvQueryFontTree)},
        {INDEX_DrvQueryFontData, AsPfn(DrvQueryFontData)},
        {INDEX_DrvQueryAdvanceWidths, AsPfn(DrvQueryAdvanceWidths)},
        {INDEX_DrvBitBlt, AsPfn(DrvBitBlt)},
        {INDEX_DrvStretchBlt, AsPfn(DrvStretchBlt)},
        {INDEX_DrvCopyBits, AsPfn(DrvCopyBits)},
        {INDEX_DrvStartDoc, AsPfn(DrvStartDoc)},
        {INDEX_DrvStartPage, AsPfn(DrvStartPage)},
        {INDEX_DrvSendPage, AsPfn(DrvSendPage)},
        {INDEX_DrvEndDoc, AsPfn(DrvEndDoc)},
        {INDEX_DrvStrokePath, AsPfn(DrvStrokePath)},
        {INDEX_DrvFillPath, AsPfn(DrvFillPath)},
        {INDEX_DrvStrokeAndFillPath, AsPfn(DrvStrokeAndFillPath)},
        {INDEX_DrvPaint, AsPfn(DrvPaint)},
        {INDEX_DrvRealizeBrush, AsPfn(DrvRealizeBrush)},
        {INDEX_DrvEscape, AsPfn(DrvEscape)},
        {INDEX_DrvDitherColor, AsPfn(DrvDitherColor)},
        {INDEX_DrvStartBanding, AsPfn(DrvStartBanding)},
        {INDEX_DrvNextBand, AsPfn(DrvNextBand)},
    };
    const std::vector<ULONG> indices = {0,  7,  1,  2,  3,  4,  37, 23, 26, 27, 28, 53, 18, 20,
                                        19, 35, 33, 32, 34, 14, 15, 16, 17, 12, 24, 13, 57, 58};
    DRVENABLEDATA ded{};
    ASSERT_TRUE(DrvEnableDriver(DDI_DRIVER_VERSION_NT4, sizeof ded, &ded));
    EXPECT_EQ(ded.iDriverVersion, 0x20000u);
    ASSERT_EQ(ded.c, 28u);
    ASSERT_NE(ded.pdrvfn, nullptr);
    for (ULONG i = 0; i < ded.c; ++i) {
        EXPECT_EQ(ded.pdrvfn[i].iFunc, indices[i]) << "slot " << i;
        EXPECT_EQ(ded.pdrvfn[i].iFunc, expected[i].first) << "slot " << i;
        EXPECT_EQ(ded.pdrvfn[i].pfn, expected[i].second) << "slot " << i;
    }
    EXPECT_NE(AnsiGlyphSet(), nullptr);
    DrvDisableDriver();
    EXPECT_EQ(AnsiGlyphSet(), nullptr);

    // A newer engine is served the same way, and the driver can be enabled again.
    ASSERT_TRUE(DrvEnableDriver(DDI_DRIVER_VERSION_NT5, sizeof ded + 8, &ded));
    EXPECT_EQ(ded.c, 28u);
    DrvDisableDriver();
}

TEST(DriverEntry, QueryDriverInfoAnswersOnlyTheUserModeQuery) {
    struct Case {
        DWORD mode;
        DWORD size;
        bool withBuffer;
        BOOL result;
        DWORD stored;
    } cases[] = {
        {DRVQUERY_USERMODE, 4, true, TRUE, 1},
        {DRVQUERY_USERMODE, 64, true, TRUE, 1},
        {DRVQUERY_USERMODE, 0, true, FALSE, 0xCCCCCCCC},
        {DRVQUERY_USERMODE, 3, true, FALSE, 0xCCCCCCCC},
        {DRVQUERY_USERMODE, 4, false, FALSE, 0xCCCCCCCC},
        {0, 4, true, FALSE, 0xCCCCCCCC},
        {2, 4, true, FALSE, 0xCCCCCCCC},
    };
    for (const Case& c : cases) {
        DWORD buffer = 0xCCCCCCCC, needed = 0;
        EXPECT_EQ(DrvQueryDriverInfo(c.mode, c.withBuffer ? &buffer : nullptr, c.size, &needed), c.result)
            << "mode " << c.mode << " size " << c.size;
        EXPECT_EQ(buffer, c.stored);
    }
}

TEST(DriverEntry, EntryPointRecordsTheModuleForEveryReason) {
    HMODULE module = reinterpret_cast<HMODULE>(0x5000);
    EXPECT_TRUE(DllEntryPoint(module, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(GraphicsModuleHandle(), module);
    EXPECT_TRUE(DllEntryPoint(module, DLL_THREAD_ATTACH, nullptr));
    EXPECT_TRUE(DllEntryPoint(module, DLL_PROCESS_DETACH, nullptr));
    DllEntryPoint(nullptr, DLL_PROCESS_ATTACH, nullptr);  // other tests find their driver by path
    EXPECT_EQ(GraphicsModuleHandle(), nullptr);
}

TEST(DriverEntry, ConstantHooksAnswerForValidPdevsOnly) {
    EXPECT_EQ(DrvDitherColor(nullptr, 0, 0xFF00FF, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    auto pdev = std::make_unique<PrinterPdev>();
    pdev->leadingMagic = pdev->trailingMagic = kPdevMagic;
    DHPDEV dhpdev = reinterpret_cast<DHPDEV>(pdev.get());
    EXPECT_EQ(DrvDitherColor(dhpdev, 0, 0xFF00FF, nullptr), static_cast<ULONG>(DCR_HALFTONE));
    EXPECT_EQ(DrvGetGlyphMode(dhpdev, nullptr), static_cast<ULONG>(FO_HGLYPHS));
}

// ---- Allocation list ----

TEST(AllocationList, BlocksAreZeroedLinkedAtTheFrontAndFreedOneByOne) {
    PdevAllocationList* list = CreatePdevAllocationList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->first, nullptr);
    std::vector<BYTE*> blocks;
    for (size_t size : {1u, 16u, 100u, 4096u}) {
        BYTE* b = static_cast<BYTE*>(PdevAlloc(list, size));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % alignof(std::max_align_t), 0u);
        for (size_t i = 0; i < size; ++i) ASSERT_EQ(b[i], 0) << "byte " << i << " of " << size;
        std::fill(b, b + size, 0xEE);
        blocks.push_back(b);
    }
    EXPECT_EQ(PdevAllocationCount(list), 4u);

    int notOnList = 0;
    PdevFree(list, &notOnList);  // ignored
    PdevFree(list, nullptr);
    EXPECT_EQ(PdevAllocationCount(list), 4u);

    PdevFree(list, blocks[3]);  // the first on the chain
    PdevFree(list, blocks[0]);  // the last
    PdevFree(list, blocks[0]);  // twice: no longer on the list, ignored
    EXPECT_EQ(PdevAllocationCount(list), 2u);
    EXPECT_EQ(blocks[2][99], 0xEE) << "the others are untouched";
    FreePdevAllocationList(list);  // frees the rest; LeakSanitizer checks
}

TEST(AllocationList, ImpossibleSizesAndMissingListsGiveNull) {
    PdevAllocationList* list = CreatePdevAllocationList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(PdevAlloc(list, static_cast<size_t>(-1)), nullptr);
    EXPECT_EQ(PdevAlloc(nullptr, 8), nullptr);
    PlatInjectFailure("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(PdevAlloc(list, 8), nullptr);
    PlatClearInjections();
    EXPECT_EQ(PdevAllocationCount(list), 0u);
    FreePdevAllocationList(list);
    FreePdevAllocationList(nullptr);
}

}  // namespace
}  // namespace render_test
