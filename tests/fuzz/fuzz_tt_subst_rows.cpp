// Fuzz target: a "TBL_TTSubstTable" value of any bytes loaded into the TrueType substitution
// dialog's rows (faces as the sandbox offers them, the printer fonts as the combo lists them).
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/table_rows_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const std::vector<std::u16string> faces = {u"DejaVu Sans Mono", u"Courier New", u"IPAGothic",
                                                      u"ＭＳ ゴシック",    u"ＭＳ 明朝",   u"ＭＳ 明朝"};
    static const std::vector<std::u16string> fonts = {u"置き換えない", u"明朝",   u"ｺﾞｼｯｸ",
                                                      u"@明朝",        u"@ｺﾞｼｯｸ", u"OCR-B"};
    CheckTableRows({bytes, size}, faces, fonts, std::vector<int>(faces.size(), 0));
    return 0;
}
