// The stamp store: each user's stamps per printer, seeded with the factory stamps, read, replaced,
// appended, deleted and renumbered (record i holds number i + 1, at most 20 records).
#pragma once

#include "core/stamp_record.h"
#include "ui/entry/ui_context.h"
#include "win/base.h"
#include "win/user.h"

namespace orla {

// ResetStamps' code that writes every factory stamp; 1 to the factory count replaces one.
inline constexpr DWORD kResetAllStamps = 100;
// 10 factory stamps in the Japanese build, 7 in the English build.
DWORD FactoryStampCount();
// The factory stamp of that number (1-based) in the stored form.
void FactoryStamp(DWORD number, BYTE (&record)[kStampRecordSize]);

void ResetStamps(HANDLE hPrinter, DWORD code);
// Makes sure the user's stamp list exists before a list or combo is filled: while the user's key
// cannot be opened or its value queried, the factory stamps are written again, at most
// kStampListAttempts times. FALSE (last error ERROR_WRITE_FAULT) when the list still cannot be
// read: the user's key is not writable and the caller must not wait for it.
inline constexpr int kStampListAttempts = 3;
BOOL EnsureStampList(HANDLE hPrinter);
// The list name of the stored stamp with that number, as UTF-16, when its text ends within 65
// bytes; `out` is left as it is otherwise.
void ReadStampText(HANDLE hPrinter, WORD number, WCHAR (&out)[65]);
// Removes the stamp and renumbers those after it; the list is written 780 bytes shorter.
void DeleteStamp(HANDLE hPrinter, WORD number);
// The selected stamp (number at settings offset 1220) copied into the settings record at 1224 in
// its in-memory form: the current record, or the scratch record for the working copy.
void LoadStampsIntoContext(UiContext* context);
void ReloadWorkingStamp(UiContext* context);
// The number itself when a stored stamp has it, else the number a new stamp gets (count + 1).
WORD ResolveStampNumber(HANDLE hPrinter, WORD number);
BOOL StampExists(HANDLE hPrinter, WORD number);

// Saves an in-memory record: every stored record with that number is replaced, or the record is
// appended when the list has room. A full list is left as it is and the user is told so (a beep
// and message 830, owned by the dialog, captioned with the printer's name).
enum class StampSave { Replaced, Appended, ListFull, WriteFailed };
inline constexpr UINT kStampListFullMessage = 830;
StampSave SaveStampRecord(HWND dialog, UiContext* context, WORD number, const BYTE* wideRecord);

}  // namespace orla
