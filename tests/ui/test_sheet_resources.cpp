// The language resource DLLs carry the property sheet's frame: every page template, the
// configuration-retrieval dialog with its controls of the right classes, and the What's-this menu,
// in all four DLLs, each creatable by the dialog manager.
#include <string>

#include "resources/lang/sheet_ids.h"
#include "ui_fixture.h"
#include "win/kernel.h"
#include "win/user.h"

using namespace orla_ui_test;
using namespace orla_res;

namespace {

struct WindowClose {
    void operator()(HWND__* h) const { DestroyWindow(h); }
};
using WindowPtr = std::unique_ptr<HWND__, WindowClose>;
struct MenuClose {
    void operator()(HMENU__* m) const { DestroyMenu(m); }
};
using MenuPtr = std::unique_ptr<HMENU__, MenuClose>;

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

struct NamedControl {
    UINT id;
    const char16_t* className;
};
struct TemplateCase {
    UINT templateId;
    NamedControl controls[2];
};
const TemplateCase kTemplates[] = {
    {kTemplatePaperSourcePage, {{kPagePendingNote, u"Static"}}},
    {kTemplateImagePage, {{kPagePendingNote, u"Static"}}},
    {kTemplateStampPage, {{kPagePendingNote, u"Static"}}},
    {kTemplateOptionListPage, {{kPagePendingNote, u"Static"}}},
    {kTemplateDeviceSettingsPage, {{kPagePendingNote, u"Static"}}},
    {kTemplateDeviceOptionsPage, {{kPagePendingNote, u"Static"}}},
    {kTemplateConfigRetrieval, {{kConfigRetrievalText, u"Static"}, {kConfigRetrievalCancel, u"Button"}}},
};
const char* const kResourceDlls[] = {"Quessaj.dll", "Quessae.dll", "Brindaj.dll", "Brindae.dll"};

class SheetResources : public UiSandbox {
protected:
    // Pages are child dialogs: they need a window to sit in.
    void SetUp() override {
        UiSandbox::SetUp();
        host_.reset(CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr, nullptr));
        ASSERT_NE(host_, nullptr);
    }
    void TearDown() override {
        host_.reset();
        UiSandbox::TearDown();
    }
    HWND Create(HMODULE module, UINT id) {
        return CreateDialogParamW(module, MAKEINTRESOURCEW(id), host_.get(), QuietDialog, 0);
    }
    WindowPtr host_;
    LibraryPtr Load(const char* dll) {
        std::u16string path = driverDir_ + u"\\" + Widen(dll);
        EXPECT_TRUE(PlatCopyIntoSandbox((BinDir() + "/" + dll).c_str(), path.c_str())) << dll;
        return LibraryPtr(LoadLibraryW(path.c_str()));
    }
};

}  // namespace

TEST_F(SheetResources, EveryTemplateAndControlInAllFourDlls) {
    for (const char* dll : kResourceDlls) {
        LibraryPtr module = Load(dll);
        ASSERT_NE(module, nullptr) << dll;
        for (const TemplateCase& c : kTemplates) {
            WindowPtr dialog(Create(module.get(), c.templateId));
            ASSERT_NE(dialog, nullptr) << dll << " template " << c.templateId;
            for (const NamedControl& control : c.controls) {
                if (control.id == 0) continue;
                HWND item = GetDlgItem(dialog.get(), static_cast<int>(control.id));
                ASSERT_NE(item, nullptr) << dll << " template " << c.templateId << " control " << control.id;
                WCHAR className[64] = {};
                GetClassNameW(item, className, 64);
                EXPECT_EQ(std::u16string(className), control.className) << dll << " control " << control.id;
            }
        }
        MenuPtr menu(LoadMenuW(module.get(), MAKEINTRESOURCEW(kMenuWhatsThis)));
        ASSERT_NE(menu, nullptr) << dll;
        HMENU popup = GetSubMenu(menu.get(), 0);
        ASSERT_NE(popup, nullptr) << dll;
        EXPECT_EQ(GetMenuItemID(popup, 0), kCommandWhatsThis) << dll;
    }
}

// The two languages differ in their texts only: same templates, same ids, different captions.
TEST_F(SheetResources, LanguagesShareLayoutButNotTexts) {
    LibraryPtr ja = Load("Quessaj.dll");
    LibraryPtr en = Load("Quessae.dll");
    ASSERT_TRUE(ja && en);
    for (const TemplateCase& c : kTemplates) {
        WindowPtr a(Create(ja.get(), c.templateId));
        WindowPtr b(Create(en.get(), c.templateId));
        ASSERT_TRUE(a && b) << c.templateId;
        RECT ra{}, rb{};
        GetClientRect(a.get(), &ra);
        GetClientRect(b.get(), &rb);
        EXPECT_EQ(ra.right, rb.right) << c.templateId;
        EXPECT_EQ(ra.bottom, rb.bottom) << c.templateId;
        WCHAR ta[128] = {}, tb[128] = {};
        GetDlgItemTextW(a.get(), static_cast<int>(c.controls[0].id), ta, 128);
        GetDlgItemTextW(b.get(), static_cast<int>(c.controls[0].id), tb, 128);
        EXPECT_NE(std::u16string(ta), std::u16string(tb)) << c.templateId;
    }
}
