// The basic page's combo fillers, shared by its dialog procedure and the paper-control filler.
#pragma once

#include <initializer_list>
#include <string>

#include "core/driver_devmode.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

struct ComboEntry {
    WORD text;
    LPARAM data;
};

// A text of the resource DLL, at most cch characters; empty when there is none.
std::u16string LoadPageText(HMODULE res, UINT id, int cch = 32);
// Empties a combo, adds the entries and selects the one whose data is wanted (the first when none).
void FillCombo(HWND dialog, int id, HMODULE res, std::initializer_list<ComboEntry> entries, LPARAM wanted);

// Stored and proof printing need a device that holds the job: the hard disk or the finisher.
inline bool HasJobHoldDevice(const DriverDevmode& record) {
    return DeviceInstalled(record, dm::kHdd) || DeviceInstalled(record, dm::kFinisher1);
}

void FillDuplexCombo(PageContext* page, HWND dialog);
// Layout kind, binding, frame, page order and text-entry mode.
void FillLayoutCombos(PageContext* page, HWND dialog);

}  // namespace orla
