// The recording stamp-drawing library of the document-event tests: installed as "Garnith.dll"
// beside the graphics DLL, it keeps every call it gets, in order, for the test to read back.
#pragma once

#include "win/base.h"

extern "C" {

typedef struct _STAMP_RECORDER_CALL {
    BOOL bitmap;  // DrvStampBitmap (else DrvStampString)
    DWORD dc;
    CHAR text[300];  // the text, or the image path
    DWORD position;
    LONG size;  // text size, or image scale
    LONG angle;
    LONG weight;
    DWORD italic;
    CHAR face[80];
    LONG pass;
    DWORD grey;
    LONG mode;
    LONG reserved;
    LONG width;
    LONG height;
    DWORD resolution;
} STAMP_RECORDER_CALL;

typedef DWORD(APIENTRY* StampRecorderCountFn)(void);
typedef BOOL(APIENTRY* StampRecorderCallFn)(DWORD index, STAMP_RECORDER_CALL* call);
typedef void(APIENTRY* StampRecorderResetFn)(void);

}  // extern "C"
