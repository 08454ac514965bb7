#pragma once
// Setting the board's real-time clock from the PC clock.
#include <ctime>
#include <string>
#include <string_view>

#include "link/board_channel.h"
#include "platform/clock.h"

namespace vexa {

enum class TimeMode {
  now = 0,          // the PC time as it is
  hour_earlier = 1, // one hour earlier
  next_second = 2,  // waits for the next whole second, so the board starts at ms 0
};

// "ti=HHMMSS dt=YYMMDD" of a local calendar time, followed by suffix.
std::string format_time_command(const std::tm& local, std::string_view suffix);

// The command text for mode at the clock's current time (mode 2 waits for the second to
// change, at most about 1.5 s, so a clock that stands still cannot hang it).
std::string time_command(const Clock& clock, TimeMode mode, std::string_view suffix);

// Prints the command as a terminal line and writes it with LF; no reply is awaited.
void send_time(BoardChannel& channel, const Clock& clock, TimeMode mode, std::string_view suffix = {});

}  // namespace vexa
