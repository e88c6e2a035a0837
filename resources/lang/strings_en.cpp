// English texts of the language resource DLLs (Quessae.dll, Brindae.dll).
// Ids 200 to 219 are the names of input slots, installable input devices and options as the
// device description spells them; the texts shown to the user for the slots are ids 300 to 319.
#include "resources/lang/lang_strings.h"

const ORLA_RESOURCE kLangStrings[] = {
    LANG_STRING(99, u"ORLA"),

    // Why a job does not fit the printer (DevQueryPrintEx).
    LANG_STRING(100, u"The printer's device information cannot be read."),
    LANG_STRING(101, u"There is not enough memory to build the print settings."),
    LANG_STRING(102, u"The orientation does not match this printer's settings."),
    LANG_STRING(103, u"The paper size does not match this printer's settings."),
    LANG_STRING(104, u"The paper length does not match this printer's settings."),
    LANG_STRING(105, u"The paper width does not match this printer's settings."),
    LANG_STRING(106, u"The scale does not match this printer's settings."),
    LANG_STRING(107, u"The number of copies does not match this printer's settings."),
    LANG_STRING(108, u"The paper source does not match this printer's settings."),
    LANG_STRING(109, u"The resolution does not match this printer's settings."),
    LANG_STRING(110, u"The colour setting does not match this printer's settings."),
    LANG_STRING(111, u"The duplex setting does not match this printer's settings."),
    LANG_STRING(112, u"The vertical resolution does not match this printer's settings."),
    LANG_STRING(113, u"The TrueType font setting does not match this printer's settings."),
    LANG_STRING(114, u"The collate setting does not match this printer's settings."),
    LANG_STRING(115, u"The paper name does not match this printer's settings."),
    LANG_STRING(116, u"The pages-per-sheet setting does not match this printer's settings."),
    LANG_STRING(117, u"The colour matching method does not match this printer's settings."),
    LANG_STRING(118, u"The colour matching intent does not match this printer's settings."),
    LANG_STRING(119, u"The media type does not match this printer's settings."),
    LANG_STRING(120, u"The dither type does not match this printer's settings."),

    // Names in the device description: input slots and input devices ...
    LANG_STRING(200, u"AUTO"),
    LANG_STRING(201, u"FEEDER1"),
    LANG_STRING(202, u"FEEDER2"),
    LANG_STRING(203, u"FEEDER3"),
    LANG_STRING(204, u"FEEDER4"),
    LANG_STRING(205, u"FEEDER5"),
    LANG_STRING(206, u"MSF"),
    LANG_STRING(207, u"MANUAL"),
    LANG_STRING(208, u"ENV"),
    // ... options ...
    LANG_STRING(209, u"Duplex Unit"),
    LANG_STRING(210, u"Sorter"),
    LANG_STRING(211, u"Plotter"),
    LANG_STRING(212, u"Network Card"),
    LANG_STRING(213, u"Remote Control Card"),
    LANG_STRING(214, u"Finisher 1"),
    LANG_STRING(215, u"Finisher 2"),
    LANG_STRING(216, u"Large Capacity Stacker"),
    LANG_STRING(217, u"Face-up Tray"),
    LANG_STRING(218, u"Hard Disk"),
    // ... and the multipurpose tray.
    LANG_STRING(219, u"MP"),

    // Bin names shown to the user (slot name id + 100).
    LANG_STRING(300, u"Auto Select"),
    LANG_STRING(301, u"Feeder 1"),
    LANG_STRING(302, u"Feeder 2"),
    LANG_STRING(303, u"Feeder 3"),
    LANG_STRING(304, u"Feeder 4"),
    LANG_STRING(305, u"Feeder 5"),
    LANG_STRING(306, u"Multi-sheet Feeder"),
    LANG_STRING(307, u"Manual Feed"),
    LANG_STRING(308, u"Envelope Feeder"),
    LANG_STRING(319, u"MP Tray"),

    // Paper state of a tray.
    LANG_STRING(352, u"No Paper"),
    LANG_STRING(353, u"Unknown Paper"),
};
const DWORD kLangStringCount = sizeof(kLangStrings) / sizeof(kLangStrings[0]);
