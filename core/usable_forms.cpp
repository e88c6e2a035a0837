// The forms the driver accepts: the spooler's list in its own order, with every form the printer
// cannot take blanked in place so that dmPaperSize positions stay the spooler's.
#include <cstring>

#include "core/settings.h"
#include "win/kernel.h"

namespace orla {

namespace {

std::u16string_view FormName(const FORM_INFO_1W& form) {
    if (!form.pName) return {};
    return std::u16string_view(form.pName);
}

}  // namespace

BOOL IsPrintableForm(const FORM_INFO_1W& form, LONG descriptionVersion) {
    const LONG width = form.Size.cx;
    const LONG length = form.Size.cy;
    const LONG minLength = descriptionVersion >= 4 ? kFormMinLength : kFormMinLengthOld;
    if (width >= kFormMinWidth && width <= kFormMaxWidth && length >= minLength && length <= kFormMaxLength)
        return TRUE;
    return width == kLongPaperWidth && length == kLongPaperLength && FormName(form) == kLongPaperFormName;
}

void BlankUnusableForms(FORM_INFO_1W* forms, DWORD count, LONG descriptionVersion) {
    if (!forms) return;
    for (DWORD i = 0; i < count; ++i) {
        FORM_INFO_1W& form = forms[i];
        if (IsPrintableForm(form, descriptionVersion)) continue;
        form.Flags = 0;
        form.Size = SIZEL{0, 0};
        form.ImageableArea = RECTL{0, 0, 0, 0};
        if (form.pName) form.pName[0] = 0;
    }
}

DWORD FindUsableForm(const FORM_INFO_1W* forms, DWORD count, std::u16string_view name) {
    // A blanked form has an empty name; an empty name is no form the driver could choose.
    if (!forms || name.empty()) return 0;
    for (DWORD i = 0; i < count; ++i)
        if (FormName(forms[i]) == name) return i + 1;
    return 0;
}

FORM_INFO_1W* EnumUsableForms(HANDLE hPrinter, DWORD* count, const CompiledDeviceData* data) {
    if (count) *count = 0;
    DWORD needed = 0;
    DWORD returned = 0;
    if (EnumFormsW(hPrinter, 1, nullptr, 0, &needed, &returned) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        needed == 0)
        return nullptr;
    auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, needed));
    if (!block) return nullptr;
    if (!EnumFormsW(hPrinter, 1, block, needed, &needed, &returned) ||
        static_cast<size_t>(returned) * sizeof(FORM_INFO_1W) > GlobalSize(block)) {
        GlobalFree(block);
        return nullptr;
    }
    auto* forms = reinterpret_cast<FORM_INFO_1W*>(block);
    BlankUnusableForms(forms, returned, DeviceDataVersion(data));
    if (count) *count = returned;
    return forms;
}

}  // namespace orla
