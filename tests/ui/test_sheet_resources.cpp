// The language resource DLLs carry the property sheet's frame: every page template, the
// configuration-retrieval and text-entry dialogs with their controls of the right classes, and the
// What's-this menu, in all four DLLs, each creatable by the dialog manager. The interface DLLs of both builds and
// the language DLLs carry every icon the pages name, at the sizes the pages load them; the
// interface DLLs carry the preview bitmaps; a page showing them draws them.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "plat/window_render.h"
#include "resources/lang/device_page_ids.h"
#include "resources/lang/paper_source_ids.h"
#include "resources/lang/option_list_ids.h"
#include "resources/lang/image_page_ids.h"
#include "resources/lang/sheet_ids.h"
#include "resources/lang/text_entry_ids.h"
#include "ui_fixture.h"
#include "win/kernel.h"
#include "win/tree_view.h"
#include "win/user.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

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
    NamedControl controls[3];
};
const TemplateCase kTemplates[] = {
    {kTemplatePaperSourcePage,
     {{paper_source::kSourceLabel, u"Static"},
      {paper_source::kSource, u"ComboBox"},
      {paper_source::kSectionSources, u"Button"}}},
    {kTemplateImagePage,
     {{image_page::kCommonMode, u"Button"},
      {image_page::kObjectTypes, u"ListBox"},
      {image_page::kFirstScroll, u"ScrollBar"}}},
    {kTemplateStampPage, {{kPagePendingNote, u"Static"}}},
    {option_list::kTemplatePage,
     {{option_list::kItemsLabel, u"Static"}, {option_list::kItems, u"ListBox"}, {option_list::kUserText, u"Edit"}}},
    {option_list::kTemplateAbout,
     {{option_list::kAboutWebPage, u"Button"},
      {option_list::kAboutModel, u"Static"},
      {option_list::kAboutIcon, u"Static"}}},
    {kTemplateDeviceSettingsPage,
     {{device_page::kGlyphsLabel, u"Static"},
      {device_page::kGlyphs, u"ComboBox"},
      {device_page::kAccountSettings, u"Button"}}},
    {kTemplateDeviceOptionsPage,
     {{device_page::kOptionsLabel, u"Static"},
      {device_page::kOptions, u"ListBox"},
      {device_page::kValue, u"ComboBox"}}},
    {kTemplateConfigRetrieval, {{kConfigRetrievalText, u"Static"}, {kConfigRetrievalCancel, u"Button"}}},
    // The first control of each case holds a text of its language.
    {text_entry::kTemplateStoredPrint,
     {{text_entry::kPasswordLabel, u"Static"}, {text_entry::kCode, u"Edit"}, {text_entry::kPassword, u"Edit"}}},
    {text_entry::kTemplateProofPrint,
     {{text_entry::kJobNameLabel, u"Static"}, {text_entry::kCode, u"Edit"}, {text_entry::kJobNameKind, u"ComboBox"}}},
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

// Icon ids by range with the sizes their users load them at: the favourites' large list at
// 32 x 32; the small list and owned images at 16 x 16 and the shared icons at the system size;
// the pictures of the basic page's combos, buttons and dialogs; the banner and the wide printer.
struct IconSizes {
    WORD first, last;
    std::vector<SIZE> sizes;
};
const IconSizes kIconTable[] = {
    {600, 620, {{32, 32}}},           {700, 781, {{16, 16}, {32, 32}}}, {782, 782, {{90, 30}}},
    {783, 797, {{16, 16}, {32, 32}}}, {901, 902, {{32, 32}}},           {910, 922, {{16, 16}, {32, 32}}},
    {930, 937, {{16, 16}, {32, 32}}}, {940, 945, {{16, 16}, {32, 32}}}, {950, 952, {{32, 32}}},
    {953, 953, {{64, 32}}},           {954, 954, {{32, 32}}},           {955, 956, {{24, 24}}},
    {957, 960, {{16, 16}}},
};
const char* const kInterfaceDlls[] = {"Talvex.dll", "Morvin.dll"};
// Every module the pages may hold when they load an icon by id.
const char* const kIconDlls[] = {"Talvex.dll",  "Morvin.dll",  "Quessaj.dll",
                                 "Quessae.dll", "Brindaj.dll", "Brindae.dll"};

// Image sizes a module's icon group lists, read from its directory (6-byte header, 14-byte
// entries whose first two bytes are width and height).
std::vector<SIZE> GroupSizes(HMODULE module, WORD id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), RT_GROUP_ICON);
    if (found == nullptr) return {};
    auto bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    DWORD size = SizeofResource(module, found);
    WORD count = 0;
    if (size >= 6) std::memcpy(&count, bytes + 4, 2);
    std::vector<SIZE> sizes;
    for (WORD i = 0; i < count && 6 + 14u * (i + 1u) <= size; ++i) {
        const BYTE* e = bytes + 6 + 14 * i;
        sizes.push_back(SIZE{e[0] ? e[0] : 256, e[1] ? e[1] : 256});
    }
    return sizes;
}

// What an icon drawn at cx x cy onto a field of one colour changes: how many pixels, and in
// how many colours.
struct Drawn {
    int pixels = 0;
    size_t colours = 0;
};
Drawn DrawOnField(HICON icon, int cx, int cy) {
    constexpr COLORREF kField = RGB(1, 2, 3);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, cx, cy);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH field = CreateSolidBrush(kField);
    RECT all{0, 0, cx, cy};
    FillRect(dc, &all, field);
    Drawn drawn;
    std::vector<COLORREF> seen;
    if (DrawIconEx(dc, 0, 0, icon, cx, cy, 0, nullptr, DI_NORMAL)) {
        for (int y = 0; y < cy; ++y) {
            for (int x = 0; x < cx; ++x) {
                COLORREF c = GetPixel(dc, x, y);
                if (c == kField) continue;
                ++drawn.pixels;
                if (std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
            }
        }
    }
    drawn.colours = seen.size();
    SelectObject(dc, old);
    DeleteObject(field);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return drawn;
}

TEST_F(SheetResources, EveryIconInEveryModuleAtItsSizes) {
    for (const char* dll : kIconDlls) {
        LibraryPtr module = Load(dll);
        ASSERT_NE(module, nullptr) << dll;
        for (const IconSizes& range : kIconTable) {
            for (WORD id = range.first; id <= range.last; ++id) {
                std::vector<SIZE> listed = GroupSizes(module.get(), id);
                for (SIZE want : range.sizes) {
                    bool held = false;
                    for (SIZE s : listed) held = held || (s.cx == want.cx && s.cy == want.cy);
                    EXPECT_TRUE(held) << dll << " icon " << id << " lacks " << want.cx << "x" << want.cy;
                    auto icon = static_cast<HICON>(
                        LoadImageW(module.get(), MAKEINTRESOURCEW(id), IMAGE_ICON, want.cx, want.cy, LR_DEFAULTCOLOR));
                    ASSERT_NE(icon, nullptr) << dll << " icon " << id;
                    // A picture: neither empty nor a plain square of one colour.
                    Drawn drawn = DrawOnField(icon, want.cx, want.cy);
                    EXPECT_GT(drawn.pixels, want.cx * want.cy / 20) << dll << " icon " << id;
                    EXPECT_TRUE(drawn.pixels < want.cx * want.cy || drawn.colours >= 2) << dll << " icon " << id;
                    DestroyIcon(icon);
                }
                EXPECT_NE(LoadIconW(module.get(), MAKEINTRESOURCEW(id)), nullptr) << dll << " icon " << id;
            }
        }
    }
}

TEST_F(SheetResources, EveryPreviewBitmapInBothInterfaceDlls) {
    std::vector<WORD> ids = {840, 842, 843, 850, 852, 853, 860, 861, 863, 864, 872, 873};
    for (WORD id = 865; id <= 871; ++id) ids.push_back(id);
    for (WORD id = 1000; id <= 1127; ++id) ids.push_back(id);
    for (WORD id = 1200; id <= 1227; ++id) ids.push_back(id);
    for (const char* dll : kInterfaceDlls) {
        LibraryPtr module = Load(dll);
        ASSERT_NE(module, nullptr) << dll;
        for (WORD id : ids) {
            HBITMAP bitmap = LoadBitmapW(module.get(), MAKEINTRESOURCEW(id));
            BITMAP bm{};
            EXPECT_TRUE(bitmap && GetObjectW(bitmap, sizeof bm, &bm) && bm.bmWidth > 0 && bm.bmHeight > 0)
                << dll << " bitmap " << id;
            if (bitmap) DeleteObject(bitmap);
        }
    }
}

struct ImageListFree {
    void operator()(_IMAGELIST* l) const { ImageList_Destroy(l); }
};

// The host window drawn as the screen would show it: RGB rows and their width.
struct Picture {
    std::vector<BYTE> rgb;
    LONG width = 0, height = 0;
    explicit Picture(HWND h) {
        rgb.resize(PlatRenderWindow(h, nullptr, 0, &width, &height));
        PlatRenderWindow(h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height);
    }
    // Pixels that differ from another picture inside `area` of window `h` (client coordinates);
    // `frame` is the drawn window's screen rectangle.
    int Differing(const Picture& other, HWND h, RECT area, RECT frame) const {
        POINT origin{area.left, area.top};
        ClientToScreen(h, &origin);
        int n = 0;
        for (LONG y = origin.y - frame.top; y < origin.y - frame.top + area.bottom - area.top; ++y) {
            for (LONG x = origin.x - frame.left; x < origin.x - frame.left + area.right - area.left; ++x) {
                if (x < 0 || y < 0 || x >= width || y >= height) continue;
                size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
                n += std::memcmp(&rgb[at], &other.rgb[at], 3) != 0;
            }
        }
        return n;
    }
};

// A page with a static icon and a tree whose item takes its image from a list of small icons,
// drawn before and after the pictures are set: the icon's place and the image's place change.
TEST_F(SheetResources, PageDrawsItsIconsAndTreeImages) {
    LibraryPtr language = Load("Quessae.dll");
    LibraryPtr module = Load("Morvin.dll");
    ASSERT_TRUE(language && module);
    // A plain child of the host stands for the page: what is drawn is only the two controls.
    WindowPtr page(CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE, 0, 0, 600, 500, host_.get(), nullptr,
                                   nullptr, nullptr));
    ASSERT_NE(page, nullptr);
    ShowWindow(host_.get(), SW_SHOW);
    ShowWindow(page.get(), SW_SHOW);
    HWND picture = CreateWindowExW(0, u"Static", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, 20, 120, 32, 32, page.get(),
                                   nullptr, nullptr, nullptr);
    HWND tree = CreateWindowExW(0, WC_TREEVIEWW, nullptr, WS_CHILD | WS_VISIBLE, 80, 120, 200, 80, page.get(), nullptr,
                                nullptr, nullptr);
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<LPWSTR>(u"Printer");
    SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
    std::unique_ptr<_IMAGELIST, ImageListFree> small(ImageList_Create(16, 18, ILC_COLOR4 | ILC_MASK, 0, 128));
    SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(small.get()));  // room, no image yet
    const Picture before(host_.get());

    SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(module.get(), MAKEINTRESOURCEW(715))), 0);
    auto printer =
        static_cast<HICON>(LoadImageW(module.get(), MAKEINTRESOURCEW(700), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    ASSERT_EQ(ImageList_ReplaceIcon(small.get(), -1, printer), 0);
    DestroyIcon(printer);
    const Picture after(host_.get());
    ASSERT_GT(after.rgb.size(), 0u);
    ASSERT_EQ(after.rgb.size(), before.rgb.size());

    RECT frame;
    GetWindowRect(host_.get(), &frame);
    EXPECT_GT(after.Differing(before, picture, RECT{0, 0, 32, 32}, frame), 150);  // the sheet and its lines
    // The printer before the item's text (the tree's 2-pixel edge, then the image's 19 pixels).
    EXPECT_GT(after.Differing(before, tree, RECT{2, 2, 21, 20}, frame), 60);
    SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
    DestroyWindow(tree);
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
