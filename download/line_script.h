#pragma once
// A firmware file of any other kind is a script of text lines for the board: each line must be
// answered with "ok" and LF (any letter case), or it is sent again; ten failures end the file.
#include <istream>

#include "download/download_context.h"

namespace vexa {

inline constexpr std::size_t kScriptLineChars = 99;
inline constexpr int kScriptReplyWaitMs = 2000;
inline constexpr int kScriptRetries = 10;
inline constexpr int kScriptDrainBytes = 10;
inline constexpr int kScriptDrainWaitMs = 100;
inline constexpr int kScriptQuickDrainBytes = 20;

// True when every line was acknowledged.
bool line_script_download(const DownloadContext& context, std::istream& file);

}  // namespace vexa
