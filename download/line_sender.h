#pragma once
// A link test: numbered 100-byte lines written to the link at one of five paces until Stop,
// with the character count in the status field and a summary at the end.
#include <array>
#include <string>

#include "download/download_context.h"

namespace vexa {

inline constexpr int kSendLineOnce = 812;
inline constexpr int kSendLineBurst = 813;
inline constexpr int kSendLineEverySecond = 814;
inline constexpr int kSendLineEveryTwoSeconds = 816;
inline constexpr int kSendLineEveryQuarter = 817;

inline constexpr char kLineSenderAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz______";
inline constexpr std::size_t kTestLineBytes = 100;
inline constexpr int kBurstLines = 100000;
inline constexpr int kQuarterMs = 250;
inline constexpr int kPaceWaitMs = 10;  // how often a paced wait looks at the clock and Stop

// The debug menu's entries for the line sender (debug texts are English only).
struct LineSenderMenuEntry {
  int id;
  const char* text;
};
inline constexpr std::array<LineSenderMenuEntry, 5> kLineSenderMenu = {{
    {kSendLineOnce, "Send one test line"},
    {kSendLineBurst, "Send 100000 test lines"},
    {kSendLineEverySecond, "Send a test line every second"},
    {kSendLineEveryTwoSeconds, "Send a test line every 2 seconds"},
    {kSendLineEveryQuarter, "Send a test line every 250 ms"},
}};

bool is_line_sender_command(int id);

// Line number n: "%6d" of n, a blank, the alphabet, a blank, its first 32 letters, CR LF.
std::string test_line(int number);

struct LineSenderResult {
  int lines = 0;
  bool write_failed = false;
};

// start_mark is the clock_ms() reading when the worker started (the first 250 ms pace mark).
LineSenderResult send_test_lines(const DownloadContext& context, int command, std::int64_t start_mark);

}  // namespace vexa
