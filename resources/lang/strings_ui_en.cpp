// English texts of the language resource DLLs that only the interface DLL reads.
#include "resources/lang/lang_strings.h"

extern const ORLA_RESOURCE kLangUiStrings[];
extern const DWORD kLangUiStringCount;

const ORLA_RESOURCE kLangUiStrings[] = {
    // Reading the configuration from the printer.
    LANG_STRING(817, u"Retrieving the configuration from the printer. Please wait."),
    LANG_STRING(818, u"The printer configuration has been updated."),
    LANG_STRING(
        819, u"The configuration could not be retrieved from the printer. Check that the printer is on and connected."),

    // The stamp store.
    LANG_STRING(830, u"Up to 20 stamps can be registered. Delete a stamp you no longer need, then register again."),

    // Account settings.
    LANG_STRING(890, u"Enter a user ID."),
    LANG_STRING(891, u"The password must be at least 4 characters long."),
};
const DWORD kLangUiStringCount = sizeof(kLangUiStrings) / sizeof(kLangUiStrings[0]);
