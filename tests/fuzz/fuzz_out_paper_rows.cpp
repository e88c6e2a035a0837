// Fuzz target: a "TBL_OutPaperTable" value of any bytes loaded into the output paper dialog's
// rows: printable forms on their own size, conversion and unprintable forms on the default form,
// a row without any choice (-1).
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/table_rows_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const std::vector<std::u16string> forms = {u"A3", u"A4", u"B5 (JIS)", u"A3->A4", u"LP->B4", u"Card", u"A6"};
    static const std::vector<std::u16string> papers = {u"用紙サイズと同じ", u"A3", u"A4", u"B5 (JIS)"};
    static const std::vector<int> start = {0, 0, 0, 2, 2, 2, -1};
    CheckTableRows({bytes, size}, forms, papers, start);
    return 0;
}
