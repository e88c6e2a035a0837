// StampRecorder.dll: the stamp-drawing library's two entry points the interface DLL calls at page
// end, recording their arguments instead of drawing. Texts are copied only up to their
// terminator and within the record's buffers, so a text that runs on shows as cut, not as a crash.
#include "stamp_recorder.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {

std::mutex g_lock;
std::vector<STAMP_RECORDER_CALL> g_calls;

template <size_t N>
void CopyText(CHAR (&out)[N], LPCSTR text) {
    std::memset(out, 0, N);
    if (text != nullptr) std::strncpy(out, text, N - 1);
}

void Keep(const STAMP_RECORDER_CALL& call) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_calls.push_back(call);
}

}  // namespace

extern "C" {

DLLEXPORT LONG APIENTRY DrvStampString(DWORD dc, LPCSTR text, DWORD position, LONG size, LONG angle, LONG weight,
                                       DWORD italic, LPCSTR face, LONG pass, DWORD grey, LONG mode, LONG width,
                                       LONG height, DWORD resolution) {
    STAMP_RECORDER_CALL call{};
    call.dc = dc;
    CopyText(call.text, text);
    call.position = position;
    call.size = size;
    call.angle = angle;
    call.weight = weight;
    call.italic = italic;
    CopyText(call.face, face);
    call.pass = pass;
    call.grey = grey;
    call.mode = mode;
    call.width = width;
    call.height = height;
    call.resolution = resolution;
    Keep(call);
    return 1;
}

DLLEXPORT LONG APIENTRY DrvStampBitmap(DWORD dc, LPCSTR path, DWORD position, LONG scale, LONG pass, LONG reserved,
                                       LONG width, LONG height, DWORD resolution) {
    STAMP_RECORDER_CALL call{};
    call.bitmap = TRUE;
    call.dc = dc;
    CopyText(call.text, path);
    call.position = position;
    call.size = scale;
    call.pass = pass;
    call.reserved = reserved;
    call.width = width;
    call.height = height;
    call.resolution = resolution;
    Keep(call);
    return 1;
}

DLLEXPORT DWORD APIENTRY StampRecorderCount(void) {
    std::lock_guard<std::mutex> hold(g_lock);
    return static_cast<DWORD>(g_calls.size());
}

DLLEXPORT BOOL APIENTRY StampRecorderCall(DWORD index, STAMP_RECORDER_CALL* call) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (call == nullptr || index >= g_calls.size()) return FALSE;
    *call = g_calls[index];
    return TRUE;
}

DLLEXPORT void APIENTRY StampRecorderReset(void) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_calls.clear();
}

}  // extern "C"
