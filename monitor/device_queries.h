// The "LM_" port queries that GetPrinterDataFromPort answers from the device options.
#pragma once

#include "monitor/port_record.h"

// The "LM_" port queries (name prefix compare). The answer follows the other named port
// queries: FALSE with last error ERROR_INVALID_PARAMETER after answering, ERROR_INSUFFICIENT_BUFFER
// with the size in *returned for a size-0 call; -1 (a DWORD) while the printer does not respond.
BOOL IsDeviceOptionQuery(LPCWSTR name);
BOOL AnswerDeviceOptionQuery(PortRecord* port, LPCWSTR name, BYTE* out, DWORD outSize, DWORD* returned);
