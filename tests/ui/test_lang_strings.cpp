// The language resource DLLs carry every string id the interface DLL reads, in both languages,
// each id once.
#include <dlfcn.h>

#include <set>
#include <string>

#include "plat/resource_table.h"
#include "ui_fixture.h"
#include "win/kernel.h"

using namespace orla_ui_test;

namespace {

class LangStrings : public UiSandbox {
protected:
    HMODULE Load(const char* dll) {
        std::u16string path = driverDir_ + u"\\" + Widen(dll);
        EXPECT_TRUE(PlatCopyIntoSandbox((BinDir() + "/" + dll).c_str(), path.c_str())) << dll;
        return LoadLibraryW(path.c_str());
    }
    static std::u16string Text(HMODULE mod, UINT id) {
        WCHAR buffer[256] = {};
        LoadStringW(mod, id, buffer, 256);
        return buffer;
    }
};

// Ids read by the interface DLL's own code.
std::set<UINT> InterfaceIds() {
    std::set<UINT> ids = {99, 319, 352, 353, 817, 818, 819, 890, 891};
    for (UINT id = 100; id <= 120; ++id) ids.insert(id);
    for (UINT id = 200; id <= 219; ++id) ids.insert(id);
    for (UINT id = 300; id <= 308; ++id) ids.insert(id);
    return ids;
}

}  // namespace

TEST_F(LangStrings, EveryIdInBothLanguages) {
    struct Case {
        const char* ja;
        const char* en;
    } const pairs[] = {{"Quessaj.dll", "Quessae.dll"}, {"Brindaj.dll", "Brindae.dll"}};
    for (const Case& p : pairs) {
        HMODULE ja = Load(p.ja);
        HMODULE en = Load(p.en);
        ASSERT_NE(ja, nullptr) << p.ja;
        ASSERT_NE(en, nullptr) << p.en;
        for (UINT id : InterfaceIds()) {
            EXPECT_FALSE(Text(ja, id).empty()) << p.ja << " " << id;
            EXPECT_FALSE(Text(en, id).empty()) << p.en << " " << id;
        }
        // The messages are in their module's language.
        for (UINT id : {817u, 819u, 891u}) EXPECT_NE(Text(ja, id), Text(en, id)) << id;
        EXPECT_TRUE(Text(en, 891).find(u'4') != std::u16string::npos);
        EXPECT_TRUE(Text(ja, 5000).empty());  // a missing string leaves the buffer empty
        FreeLibrary(ja);
        FreeLibrary(en);
    }
}

TEST(LangTable, EachStringIdOnce) {
    for (const char* dll : {"Quessaj.dll", "Quessae.dll", "Brindaj.dll", "Brindae.dll"}) {
        std::string path = BinDir() + "/" + dll;
        void* mod = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(mod, nullptr) << dlerror();
        auto* table = static_cast<const ORLA_RESOURCE_TABLE*>(dlsym(mod, ORLA_RESOURCE_TABLE_SYMBOL));
        ASSERT_NE(table, nullptr) << dll;
        std::set<WORD> seen;
        DWORD strings = 0;
        for (DWORD i = 0; i < table->count; ++i) {
            const ORLA_RESOURCE& r = table->entries[i];
            if (r.type != 6) continue;
            ++strings;
            EXPECT_TRUE(seen.insert(r.id).second) << dll << " id " << r.id << " twice";
            EXPECT_GT(r.size, 0u) << dll << " id " << r.id;
        }
        EXPECT_GE(strings, InterfaceIds().size()) << dll;
        dlclose(mod);
    }
}
