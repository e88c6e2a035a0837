// The resource table a language resource DLL exports; the driver only ever reads resources from it.
#include "resources/lang/lang_strings.h"

extern "C" {
__attribute__((visibility("default"))) extern const ORLA_RESOURCE_TABLE OrlaResourceTable;
const ORLA_RESOURCE_TABLE OrlaResourceTable = {kLangStringCount, kLangStrings};
}
