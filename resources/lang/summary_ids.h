// The settings summary dialog (template 2600) by name: its template in the language resource
// DLLs, the dialog's code and its tests take them from here. The tree takes the place and the id
// of its placeholder, which the favourites dialogs carry too.
#pragma once

namespace orla_res::summary {

inline constexpr unsigned kTemplateSummary = 2600;

inline constexpr int kTree = 1301;   // the placeholder the tree replaces, then the tree
inline constexpr int kClose = 2601;  // ends the dialog, as Cancel does
inline constexpr int kHelp = 1004;

}  // namespace orla_res::summary
