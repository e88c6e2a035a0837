// A small module for the loader tests: a DllMain that counts, an export and resources.
#include "plat/resource_table.h"
#include "win/kernel.h"

namespace {
LONG g_attached = 0;
HINSTANCE g_instance = nullptr;
const WCHAR kHello[] = u"Hello";
const WCHAR kJapanese[] = u"日本語ﾃｽﾄ";  // 3 kanji and 3 half-width kana
const WCHAR kEmpty[] = u"";
const BYTE kBlob[] = {1, 2, 3, 4, 5};
const BYTE kNamed[] = {9, 8, 7};
const ORLA_RESOURCE kEntries[] = {
    {6, nullptr, 100, nullptr, kHello, 10},
    {6, nullptr, 101, nullptr, kJapanese, 12},
    {6, nullptr, 102, nullptr, kEmpty, 0},
    {10, nullptr, 1000, nullptr, kBlob, sizeof kBlob},
    {0, u"PICTURE", 0, u"LOGO", kNamed, sizeof kNamed},
};
}  // namespace

DLLEXPORT const ORLA_RESOURCE_TABLE OrlaResourceTable = {sizeof kEntries / sizeof kEntries[0], kEntries};

DLLEXPORT BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        InterlockedIncrement(&g_attached);
    } else if (reason == DLL_PROCESS_DETACH) {
        InterlockedDecrement(&g_attached);
    }
    return TRUE;
}

DLLEXPORT LONG TestModuleAttachCount(void) {
    return g_attached;
}
DLLEXPORT HINSTANCE TestModuleInstance(void) {
    return g_instance;
}
