#pragma once
// Sends a text file to the board line by line, as typed lines: a chosen pause after each line,
// or waiting for the line's echo or for a prompt before the next one. Runs on the caller's
// thread (the download worker); Stop ends it after the current line.
#include <string>
#include <string_view>

#include "base/board_jobs.h"
#include "base/board_port.h"
#include "base/messages.h"
#include "base/session_ports.h"
#include "base/report_sink.h"

namespace vexa {

inline constexpr std::size_t kSendFileBytes = 16u << 20;
inline constexpr int kSendFilePauseStepMs = 20;

enum class SendWait { none, echo, prompt };

struct SendFileOptions {
  int pause_ms = 0;            // after each line
  SendWait wait = SendWait::none;
  std::string prompt = ">";    // what the prompt wait looks for
  int wait_ms = 3000;          // longest wait for an echo or prompt
  std::string line_end = "\r"; // what ends each line (Enter)
};

// A file to send and how, as the user chose them.
struct SendFileRequest {
  std::string path;
  SendFileOptions options;
};

class FileSender {
 public:
  FileSender(ReportSink& reports, CharSink& terminal, const Messages& messages, StatusLine& status);
  // True when every line went out (and, when waiting, was answered). The caller pauses the
  // receive thread's reading meanwhile, so the sender shows what it reads.
  bool send(const std::string& path, BoardPort& port, const SendFileOptions& options, const JobControl& control);

 private:
  bool wait_for(BoardPort& port, std::string_view needle, int wait_ms, const JobControl& control);
  void pause(int pause_ms, const JobControl& control);

  ReportSink& reports_;
  CharSink& terminal_;
  const Messages& messages_;
  StatusLine& status_;
};

}  // namespace vexa
