#pragma once
// The small interfaces the session hands to its subsystems for reaching the window thread.
// Every call is safe from any thread (the receive thread, the download worker).
#include <string_view>

namespace vexa {

// Queues a command for the window thread, as a posted window message would: the session runs
// it there through its command table.
class CommandPoster {
 public:
  virtual ~CommandPoster() = default;
  virtual void post_command(int id, long param = 0) = 0;
};

// The main window's status row: the progress field (772) and the status text (770, which also
// prints the text in the terminal).
class StatusLine {
 public:
  virtual ~StatusLine() = default;
  virtual void set_progress(std::string_view text) = 0;
  virtual void set_status(std::string_view text) = 0;
};

}  // namespace vexa
