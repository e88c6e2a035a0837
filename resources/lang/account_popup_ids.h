// Ids of the account pop-up the start of a job shows when the printer asks for an account:
// template 3550 shows the user ID as it is typed, 3560 hides it ("DAT_UserID_Asterisk").
#pragma once

namespace orla_res::account_popup {

inline constexpr unsigned kTemplate = 3550;
inline constexpr unsigned kTemplateHiddenUserId = 3560;

inline constexpr int kPrompt = 3551;
inline constexpr int kUserIdLabel = 3552;
inline constexpr int kPasswordLabel = 3553;
inline constexpr int kUserId = 1343;
inline constexpr int kPassword = 1347;
inline constexpr int kOk = 1092;
inline constexpr int kCancel = 1091;
inline constexpr int kHelp = 1341;

// Message: a password of 1 to 3 bytes.
inline constexpr unsigned kWarnShortPassword = 891;

}  // namespace orla_res::account_popup
