// A sample printer's page context as the settings summary gets it: the small image list of the
// sheet (empty: the summary loads what it shows), the interface DLL's icons, and helpers that
// read the summary's texts and rows back.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "resources/lang/summary_ids.h"
#include "tests/pages/page_fixture.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/summary_tree.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/tree_view.h"
#include "win/user.h"

namespace pages_test {

struct DeviceDataFree {
    void operator()(orla::CompiledDeviceData* d) const { GlobalFree(reinterpret_cast<HGLOBAL>(d)); }
};
using DeviceDataPtr = std::unique_ptr<orla::CompiledDeviceData, DeviceDataFree>;

struct WindowDestroy {
    void operator()(HWND__* w) const {
        if (IsWindow(w)) DestroyWindow(w);
    }
};
using WindowPtr = std::unique_ptr<HWND__, WindowDestroy>;

class SummarySandbox : public PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        if (HasFatalFailure()) return;
        interfaceDll_ = orla_ui_test::LibraryPtr(LoadLibraryW(orla::kJapaneseBuild ? u"Talvex.dll" : u"Morvin.dll"));
        ASSERT_TRUE(interfaceDll_);
        orla::SetInterfaceModule(interfaceDll_.get());
        page_.smallImages = ImageList_Create(16, 18, ILC_COLOR4 | ILC_MASK, 0, 128);
        ASSERT_TRUE(page_.smallImages);
        // The sheet starts with nothing changed.
        ui_->appliedDevmode = ui_->currentDevmode;
    }
    void TearDown() override {
        dialog_.reset();
        page_.hTree = nullptr;
        if (page_.smallImages) ImageList_Destroy(page_.smallImages);
        page_.smallImages = nullptr;
        if (ui_ && ownData_) ui_->deviceData = ownData_;
        swapped_.reset();
        orla::SetInterfaceModule(nullptr);
        PageSandbox::TearDown();
        interfaceDll_.reset();
    }

    orla::DriverDevmode& r() { return ui_->currentDevmode; }
    orla::DriverDevmode& applied() { return ui_->appliedDevmode; }

    std::u16string Text(UINT id) const {
        WCHAR text[260] = {};
        const int n = LoadStringW(ui_->hResDll, id, text, 260);
        return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
    }

    // The sample description with one line replaced, compiled and lent to the context for the
    // rest of the test.
    void UseDescriptionWith(const std::u16string& line, const std::u16string& replacement) {
        std::ifstream in(orla_test::SourceDir() + "/resources/models/HV4400KJ.KDD", std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(bytes.size(), 2u);
        std::u16string text(bytes.size() / 2, u'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                            (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
        const size_t at = text.find(line);
        ASSERT_NE(at, std::u16string::npos);
        text.replace(at, line.size(), replacement);
        std::vector<BYTE> out;
        for (char16_t c : text) {
            out.push_back(static_cast<BYTE>(c));
            out.push_back(static_cast<BYTE>(c >> 8));
        }
        swapped_.reset(orla::CompileDeviceText(out));
        ASSERT_TRUE(swapped_);
        if (!ownData_) ownData_ = ui_->deviceData;
        ui_->deviceData = swapped_.get();
    }

    // The summary dialog, made modeless on the language DLL's template.
    HWND OpenSummary() {
        dialog_.reset(CreateDialogParamW(ui_->hResDll, MAKEINTRESOURCEW(orla_res::summary::kTemplateSummary), nullptr,
                                         orla::SettingsSummaryDialogProc, reinterpret_cast<LPARAM>(&page_)));
        return dialog_.get();
    }

    LPARAM ItemData(HTREEITEM item) const {
        TVITEMW read{};
        read.mask = TVIF_HANDLE | TVIF_PARAM;
        read.hItem = item;
        EXPECT_TRUE(SendMessageW(page_.hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&read)));
        return read.lParam;
    }
    std::u16string ItemText(HTREEITEM item) const {
        WCHAR text[660] = {};
        TVITEMW read{};
        read.mask = TVIF_HANDLE | TVIF_TEXT;
        read.hItem = item;
        read.pszText = text;
        read.cchTextMax = 660;
        EXPECT_TRUE(SendMessageW(page_.hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&read)));
        return text;
    }
    int ItemImage(HTREEITEM item) const {
        TVITEMW read{};
        read.mask = TVIF_HANDLE | TVIF_IMAGE;
        read.hItem = item;
        EXPECT_TRUE(SendMessageW(page_.hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&read)));
        return read.iImage;
    }
    HTREEITEM Row(DWORD rowId) const { return orla::FindTreeItemByKey(&page_, rowId); }

    orla_ui_test::LibraryPtr interfaceDll_;
    WindowPtr dialog_;
    DeviceDataPtr swapped_;
    const orla::CompiledDeviceData* ownData_ = nullptr;
};

}  // namespace pages_test
