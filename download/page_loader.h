#pragma once
// The boards' own loader: "dl" hands the running firmware over to it, its banner says which
// loader answered, and the image goes out page by page at the loader's speed, either from a
// HEX image (each page header and page echoed) or from a "bin" file (one reply per frame).
// Every page download ends with the junk read and the summary line, and gives the link back
// at its old speed with the receive thread reading.
#include <istream>
#include <string>

#include "download/download_context.h"
#include "download/hex_image.h"
#include "download/loader_types.h"

namespace vexa {

inline constexpr int kHexBannerWaitMs = 500;
inline constexpr int kBinBannerWaitMs = 1000;
inline constexpr int kSpeedChangeWaitMs = 500;
inline constexpr int kBannerReadBytes = 20;
inline constexpr int kBinDlAttempts = 2;
inline constexpr int kPageReplyWaitMs = 2000;
inline constexpr int kJunkBytes = 20;
inline constexpr int kSlowStartBudget = 10;
inline constexpr int kSlowStartPauseMs = 100;

// The text a loader prints within 20 immediate reads, cut at its first CR and then its LF.
std::string read_banner_text(BoardPort& port);

// Sends the whole image to the loader of row (already checked against the file and the board).
// True when every page was written.
bool hex_download(const DownloadContext& context, const HexImage& image, const LoaderType& row);

// Sends file (positioned at its start) frame by frame. True when the file went out whole.
bool bin_download(const DownloadContext& context, std::istream& file, const LoaderType& row);

}  // namespace vexa
