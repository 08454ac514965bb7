#pragma once
// The compile tab's controls as a form (ids, captions, geometry, styles) and its help text.
#include <string>
#include <string_view>

#include "base/form.h"
#include "base/messages.h"

namespace vexa::compile {

// Control ids of the tab (its own number space: they reach the tab, not the main window).
inline constexpr int kWorkingDir = 100;
inline constexpr int kChooseMakefile = 101;
inline constexpr int kCommandLine = 102;
inline constexpr int kRun = 103;
inline constexpr int kBinaryFile = 104;
inline constexpr int kDownload = 105;
inline constexpr int kEnvironment = 106;
inline constexpr int kAutoDownload = 107;
inline constexpr int kChooseBinary = 109;
inline constexpr int kOutput = 120;
// The fixed texts have no id of their own in the window; the form needs one each.
inline constexpr int kTitleLabel = 130;
inline constexpr int kDirLabel = 131;
inline constexpr int kCmdLabel = 132;
inline constexpr int kBinLabel = 133;
inline constexpr int kEnvLabel = 134;

inline constexpr int kOutputTop = 142;
inline constexpr int kOutputBottomMargin = 152;

// The controls in creation order, captions in the current language.
Form make_compile_form(const Messages& messages);

// The output pane for the tab's client size: (0, 142), width x (height - 152).
Rect output_pane_rect(int client_width, int client_height);

// The help text for a language letter: French for 'f', German for 'd', English otherwise.
std::string_view compile_help_text(char language);

}  // namespace vexa::compile
