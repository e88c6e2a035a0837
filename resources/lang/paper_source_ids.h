// The controls of the paper-source page (template 521) and of its four dialogs by name: the
// paper type (3490), the manual slot's paper type (3460), the sources by section (2903) and the
// source details with slip sheets (509). The templates in the language resource DLLs and the
// page take them from here.
#pragma once

namespace orla_res::paper_source {

// ---- Paper-source page (template 521) ----
inline constexpr unsigned kTemplatePage = 521;
inline constexpr int kSourceLabel = 1222;
inline constexpr int kSource = 1223;  // dmDefaultSource
inline constexpr int kOutputTrayLabel = 1233;
inline constexpr int kOutputTray = 1234;
inline constexpr int kOffsetStackingLabel = 1167;
inline constexpr int kOffsetStacking = 1168;
inline constexpr int kCollate = 1141;
inline constexpr int kJobSeparate = 1144;
inline constexpr int kPaperType = 3839;        // opens the paper type dialog (3490)
inline constexpr int kManualPaperType = 1006;  // opens the manual slot's paper type dialog (3460)
inline constexpr int kSectionSources = 2901;   // opens the sources by section (2903)
inline constexpr int kSourceDetail = 2902;     // opens the source details (509)
inline constexpr int kPreview = 1008;          // owner-drawn preview list
inline constexpr int kCaption = 3838;          // the preview's zoom caption
inline constexpr int kPrinter = 1016;          // owner-drawn printer picture
inline constexpr int kPaperPathPicture = 1187;
inline constexpr int kGetConfiguration = 3831;
inline constexpr int kHint = 1000;
inline constexpr int kSummary = 1003;
inline constexpr int kRestoreDefaults = 1002;
inline constexpr int kHelp = 1004;

// ---- Paper type (template 3490) ----
inline constexpr unsigned kTemplatePaperType = 3490;
inline constexpr int kPaperTypeLabel = 1225;
inline constexpr int kPaperTypeCombo = 1226;  // WORD 488
inline constexpr int kPaperTypePicture = 3495;
inline constexpr int kPaperTypeDefaults = 1002;
inline constexpr int kPaperTypeHelp = 1004;

// ---- Paper type of the manual slot (template 3460) ----
inline constexpr unsigned kTemplateManualPaperType = 3460;
inline constexpr int kManualTypeLabel = 3463;
inline constexpr int kManualTypeCombo = 3464;  // WORD 7576
inline constexpr int kManualTypePicture = 3468;
inline constexpr int kManualTypeDefaults = 1002;
inline constexpr int kManualTypeHelp = 1341;

// ---- Sources by section (template 2903) ----
inline constexpr unsigned kTemplateSections = 2903;
inline constexpr int kSectionsOn = 2921;
inline constexpr int kFirstSheetLabel = 2906;
inline constexpr int kFirstSheet = 2907;
inline constexpr int kOtherSheetsLabel = 2911;
inline constexpr int kOtherSheets = 2912;
inline constexpr int kSectionDefaultLabel = 2914;
inline constexpr int kSectionDefault = 2915;  // dmDefaultSource while sections are on
inline constexpr int kSectionTrayLabel = 2917;
inline constexpr int kSectionTray = 2918;
inline constexpr int kFrontCoverOn = 2908;
inline constexpr int kFrontCover = 2909;
inline constexpr int kBackCoverOn = 2919;
inline constexpr int kBackCover = 2920;
inline constexpr int kSectionsDefaults = 1002;

// ---- Source details (template 509) ----
inline constexpr unsigned kTemplateDetail = 509;
inline constexpr int kDetailSourceLabel = 2923;
inline constexpr int kDetailSource = 2924;  // dmDefaultSource of the details
inline constexpr int kSlipSheetsOn = 1211;
inline constexpr int kSlipTrayLabel = 1209;
inline constexpr int kSlipTray = 1210;
inline constexpr int kSlipBlank = 2927;
inline constexpr int kSlipPrinted = 2928;
inline constexpr int kSlipKindLabel = 1214;
inline constexpr int kSlipKind = 1213;
inline constexpr int kDetailManualLabel = 2710;
inline constexpr int kDetailManualType = 2711;  // WORD 7576
inline constexpr int kDetailPicture = 1618;
inline constexpr int kDetailPreview = 1212;  // owner-drawn preview of the working copy
inline constexpr int kDetailCaption = 3838;
inline constexpr int kDetailDefaults = 1090;
inline constexpr int kDetailOk = 1092;
inline constexpr int kDetailCancel = 1091;
inline constexpr int kDetailHelp = 1341;

// ---- Texts ----
inline constexpr unsigned kTextSecondSheetAsDocument = 322;  // source 300
inline constexpr unsigned kTextSlipKinds = 760;              // + slip sheet kind
inline constexpr unsigned kHintSource = 708;
inline constexpr unsigned kHintDefaults = 716;
inline constexpr unsigned kWarnSlipSheetsDuplex = 826;
inline constexpr unsigned kWarnFaceUpDuplex = 857;

}  // namespace orla_res::paper_source
