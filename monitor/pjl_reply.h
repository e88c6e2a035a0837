// The printer's PJL replies: keeping an incomplete reply across reads, splitting the text into
// replies and turning keywords into status variables. Reading them from the port and sending
// monitor PJL is the exchange's (printer_exchange.h).
#pragma once

#include "monitor/port_record.h"

constexpr int kReplyDone = 0;
constexpr int kReplyMore = 1;
constexpr int kReplyNone = 2;
constexpr DWORD kReplyFlagVariablesEnded = 0x80000000u;
constexpr DWORD kReplyFlagStatusSeen = 0x2;    // a status report (INFO STATUS, USTATUS DEVICE) ended
constexpr DWORD kReplyFlagInquireOpen = 0x40;  // the text ends inside an INQUIRE answer
// The most a single refresh reads from the port: a printer that never stops talking must not
// keep the monitor in one refresh for ever.
constexpr DWORD kReplyReadsPerRefresh = 64;

void ResetReplyState(PortRecord* port, BOOL dropJobInfo);
// Parses one reply from text[*position]; advances *position over what it used.
int ParsePjlReply(const char* text, DWORD length, DWORD* position, PortRecord* port, DWORD* flags, BOOL publish);
// Joins the saved incomplete reply (when join is set), parses every complete reply and keeps
// the incomplete rest (at most kSavedReplyLimit bytes). Returns the number of replies ended.
int QueueReplyText(PortRecord* port, const char* text, DWORD length, DWORD* consumed, BOOL join, DWORD* flags,
                   BOOL publish);

struct KeywordValue {
    const char* text;
    DWORD value;
};
BOOL SetVariableFromKeyword(std::string_view value, const char* variable, const KeywordValue* table, size_t count,
                            PortRecord* port);
