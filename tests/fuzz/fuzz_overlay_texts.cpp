// Fuzz target: a form-overlay header of any bytes (short inputs read as zero-padded) is shown as
// its eleven texts without reading past a field: the title within its 64 bytes, the name within
// its 31.
#include <cstdlib>
#include <cstring>

#include "ui/tools/overlay_paths.h"

using namespace orla;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FormOverlayHeader header{};
    std::memcpy(header.bytes, bytes, size < sizeof header.bytes ? size : sizeof header.bytes);
    const OverlayFieldTexts texts = OverlayHeaderTexts(header);
    if (texts[0].size() > ovl::kSignatureSpan || texts[1].size() > ovl::kInfoTextSize) std::abort();
    for (const std::u16string& t : texts)
        if (t.find(u'\0') != std::u16string::npos) std::abort();
    for (size_t i = 2; i < texts.size(); ++i)
        if (texts[i].empty() || texts[i].size() > 40) std::abort();
    return 0;
}
