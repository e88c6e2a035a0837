// The trust-marking footer as a stamp (escape 9103).
#include "render/stamp_answer.h"

// No trust-marking library is bound by this build yet: no handle can be made.
ULONG AnswerFooterStamp(PrinterPdev*, BYTE*) {
    return 0;
}
