// The controls and texts of the TrueType substitution dialog (template 2000) and the output paper
// dialog (template 2100) by name: the templates in the language resource DLLs and the dialogs
// take them from here.
#pragma once

namespace orla_res::device_tables {

// ---- TrueType substitution (template 2000) ----
inline constexpr unsigned kTemplateTrueTypeSubst = 2000;
inline constexpr int kFaceList = 2001;     // report view: TrueType face, printer font
inline constexpr int kFaceLabel = 2002;    // "TrueType font:"
inline constexpr int kFaceName = 2003;     // the selected row's face
inline constexpr int kPrinterFont = 2004;  // the printer-font choices

// ---- Output paper (template 2100) ----
inline constexpr unsigned kTemplateOutPaper = 2100;
inline constexpr int kFormList = 2101;     // report view: paper size, output paper
inline constexpr int kFormLabel = 2102;    // "Paper size:"
inline constexpr int kFormName = 2103;     // the selected row's form
inline constexpr int kOutputPaper = 2104;  // the output paper choices

// ---- Buttons of both ----
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kDefaults = 1002;  // the built-in table
inline constexpr int kHelp = 1004;
inline constexpr int kClose = 2601;  // shown instead of the editing buttons when only viewing

// ---- Texts ----
// The printer-font choices in the combo's order; the first means no substitution.
inline constexpr unsigned kTextNoSubstitution = 462;
inline constexpr unsigned kTextMincho = 463;
inline constexpr unsigned kTextVerticalMincho = 464;
inline constexpr unsigned kTextGothic = 465;
inline constexpr unsigned kTextVerticalGothic = 466;
inline constexpr unsigned kTextOcrB = 467;
inline constexpr unsigned kPrinterFontTexts[] = {kTextNoSubstitution, kTextMincho,         kTextGothic,
                                                 kTextVerticalMincho, kTextVerticalGothic, kTextOcrB};
inline constexpr unsigned kColumnTrueTypeFace = 536;
inline constexpr unsigned kColumnPrinterFont = 537;
inline constexpr unsigned kColumnPaperSize = 419;    // also a summary row's name
inline constexpr unsigned kColumnOutputPaper = 421;  // also a summary row's name
inline constexpr unsigned kTextSameAsPaper = 468;    // output paper entry 0 (also the basic page's)
inline constexpr unsigned kWarnNotPrintable = 800;   // the paper needs an output paper

}  // namespace orla_res::device_tables
