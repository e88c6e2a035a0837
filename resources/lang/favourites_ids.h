// The controls of the favourites dialogs by name: the save dialog (template 929), the manage
// dialog (930), the job favourites dialog (2200) and the favourite details dialog (2500). The
// templates in the language resource DLLs, the dialogs' code and their tests take them from here.
#pragma once

namespace orla_res::favourites {

inline constexpr unsigned kTemplateSave = 929;
inline constexpr unsigned kTemplateManage = 930;
inline constexpr unsigned kTemplateJobFavourites = 2200;
inline constexpr unsigned kTemplateDetails = 2500;

inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kHelp = 1004;

// Save dialog.
inline constexpr int kSaveName = 1698;     // combo with an edit: the user favourites, or a new name
inline constexpr int kSaveComment = 1700;  // edit
inline constexpr int kSaveHelpTopic = 1341;

// Manage dialog (and the job favourites dialog's name and comment).
inline constexpr int kManageList = 1707;  // owner-drawn list box: an icon and the name
inline constexpr int kDelete = 2206;
inline constexpr int kNameLabel = 2208;
inline constexpr int kName = 2209;  // edit
inline constexpr int kCommentLabel = 2212;
inline constexpr int kComment = 2213;      // edit
inline constexpr int kSummaryTree = 1301;  // placeholder the settings summary tree replaces

// Job favourites dialog.
inline constexpr int kJobList = 2202;  // list view, 32 x 32 icons
inline constexpr int kJobComment = 2205;
inline constexpr int kRegister = 2214;

// The print-time dialog's favourites, whose selected item shows whether the settings changed.
inline constexpr int kFavouriteMatchList = 1109;

// Favourite details dialog.
inline constexpr int kDetailsIcon = 2502;

// Lengths the edits take: a name of 32 characters, a comment of 255.
inline constexpr int kNameChars = 32;
inline constexpr int kCommentChars = 255;

}  // namespace orla_res::favourites
