#pragma once
// The SAM-BA download: brings an AT91SAM7S board into its boot monitor, loads the
// page-programming applet into RAM and programs the image page by page through it, then sets
// the boot-from-flash bit and resets the chip. Runs to its end or to its first failure (the
// Stop request is not looked at: a half-programmed chip is worse than a finished one).
#include <cstdint>
#include <functional>
#include <string_view>

#include "base/messages.h"
#include "base/session_ports.h"
#include "download/samba_wire.h"
#include "base/report_sink.h"

namespace vexa {

class LinkSession;

struct SambaDownloadOptions {
  bool verbose = false;      // the Tools menu's verbose switch
  CharSink* echo = nullptr;  // where the prompt wait echoes bytes in verbose mode
  const Clock* clock = nullptr;  // null: the system clock
  // The flash command shows the port's description at each speed change; a download job does not.
  SpeedNotice speed_notice = SpeedNotice::quiet;
  // Pages programmed of the pages due: once before the monitor is reached, then after each page.
  std::function<void(int done, int total)> pages;
};

// Pause lengths of the download, in the order they happen (the benchmark adds them up).
inline constexpr int kSambaNewlinePauseMs = 200;
inline constexpr int kSambaEntryPauseMs = 800;
inline constexpr int kSambaDrainBytes = 30;
inline constexpr int kSambaAppletReplyMs = 100;
// The sum of the fixed pauses of one download: two auto-baud starts, the new line, "dl", "samba".
inline constexpr int kSambaMandatedPauseMs = 2 * 300 + kSambaNewlinePauseMs + 2 * kSambaEntryPauseMs;

// 32-bit XOR of the image's whole little-endian words, and their count.
struct SambaIdentity {
  std::uint32_t identity = 0;
  std::size_t words = 0;
};
SambaIdentity samba_identity(std::string_view image);
// The pages the download programs for an image.
int samba_page_count(std::string_view image);

// The whole download over port; true when the summary line was printed. The link is left at
// the monitor's 115200, whatever happened.
bool run_samba_download(BoardPort& port, ReportSink& report, const Messages& messages,
                        StatusLine& status, std::string_view image,
                        const SambaDownloadOptions& options = {});

// The same over the session's link, with the receive thread's reading paused throughout and
// each speed change shown.
bool samba_download(LinkSession& link, ReportSink& report, const Messages& messages,
                    StatusLine& status, std::string_view image,
                    const SambaDownloadOptions& options = {});

}  // namespace vexa
