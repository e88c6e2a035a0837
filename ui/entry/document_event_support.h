// Small pieces the document events share: the per-user key of a printer, the job's information,
// the UI context of one event, and an escape with a record to the graphics DLL.
#pragma once

#include <memory>
#include <string>

#include "core/support.h"
#include "ui/entry/document_event_system.h"
#include "ui/entry/held.h"
#include "ui/entry/ui_context.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace orla {

// A registry key, closed however the reader ends.
struct RegKeyClose {
    void operator()(HKEY__* key) const { RegCloseKey(key); }
};
using RegKeyHeld = std::unique_ptr<HKEY__, RegKeyClose>;

// `base` joined by "\" with the printer's name (a leading pair of backslashes removed); empty
// when the printer's information cannot be read.
inline std::u16string PerUserKeyPath(HANDLE hPrinter, std::u16string_view base) {
    GlobalHeld<BYTE> info(GetPrinterInfoAlloc(hPrinter, 2));
    if (!info) return {};
    const auto* pi = reinterpret_cast<const PRINTER_INFO_2W*>(info.get());
    std::u16string name = pi->pPrinterName != nullptr ? pi->pPrinterName : u"";
    if (name.starts_with(u"\\\\")) name.erase(0, 2);
    return std::u16string(base) + u"\\" + name;
}

// GetJobW level 2 of the job in a global block; a zeroed record stands in when it cannot be read
// (no settings, no document name), so the settings come from the printer's defaults.
class JobInfoBlock {
public:
    JobInfoBlock(HANDLE hPrinter, DWORD jobId) {
        DWORD needed = 0;
        GetJobW(hPrinter, jobId, 2, nullptr, 0, &needed);
        if (needed < sizeof(JOB_INFO_2W)) return;
        GlobalHeld<BYTE> block(static_cast<BYTE*>(GlobalAlloc(GPTR, needed)));
        if (block && GetJobW(hPrinter, jobId, 2, block.get(), needed, &needed)) block_ = std::move(block);
    }
    const JOB_INFO_2W& Info() const { return block_ ? *reinterpret_cast<const JOB_INFO_2W*>(block_.get()) : empty_; }

private:
    GlobalHeld<BYTE> block_;
    JOB_INFO_2W empty_{};
};

// The UI context of one event, torn down however the event ends.
struct UiContextDestroy {
    void operator()(UiContext* context) const { DestroyUiContext(context); }
};
using UiContextHeld = std::unique_ptr<UiContext, UiContextDestroy>;

// A whole settings record to the graphics DLL; FALSE when the escape answers 0 or less.
inline BOOL SendRecordEscape(const DocumentEventSystem& system, HDC hdc, int escape, const void* record, size_t size) {
    return system.extEscape(hdc, escape, static_cast<int>(size), static_cast<LPCSTR>(record), 0, nullptr) > 0;
}

}  // namespace orla
