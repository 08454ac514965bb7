#include "download/line_script.h"

#include <cctype>
#include <memory>
#include <string>

#include "base/text_format.h"

namespace vexa {

namespace {

// One line as a 100-byte buffer takes it: at most 99 characters, the LF included, so a longer
// line is split. False at the end of the file.
bool next_script_line(std::istream& file, std::string& line) {
  line.clear();
  std::streambuf* buffer = file.rdbuf();
  for (int c = buffer->sbumpc(); c != std::char_traits<char>::eof(); c = buffer->sbumpc()) {
    line.push_back(static_cast<char>(c));
    if (c == '\n' || line.size() >= kScriptLineChars) return true;
  }
  return !line.empty();
}

bool acknowledged(BoardPort& port) {
  static constexpr char kExpected[3] = {'o', 'k', '\n'};
  bool good = true;
  for (char expected : kExpected) {
    int c = port.read_byte(kScriptReplyWaitMs);
    if (c < 0 || std::tolower(c) != expected) good = false;
  }
  return good;
}

}  // namespace

bool line_script_download(const DownloadContext& context, std::istream& file) {
  BoardPort& port = context.port;
  std::string line;
  // The lines are counted first, for the status row's bar and the end line.
  file.clear();
  file.seekg(0);
  long total = 0;
  while (next_script_line(file, line)) ++total;
  file.clear();
  file.seekg(0);
  context.control.progress(JobUnit::lines, 0, total);
  int retries = 0, lines = 0;
  bool error = false;
  std::unique_ptr<ReadingPause> pause;
  while (!error && next_script_line(file, line)) {
    line = line.substr(0, line.find('\r'));
    line = line.substr(0, line.find('\n'));
    if (!pause) pause = std::make_unique<ReadingPause>(port);
    line.push_back('\n');
    for (;;) {
      if (!port.write_text(line)) {
        context.print(context.text("MerWrite"));
        error = true;
        break;
      }
      if (acknowledged(port)) break;
      for (int i = 0; i < kScriptDrainBytes; ++i) port.read_byte(kScriptDrainWaitMs);
      for (int i = 0; i < kScriptQuickDrainBytes; ++i) port.read_byte(0);
      if (++retries >= kScriptRetries) {
        context.print(no_reply_text(context, 5, 0));
        error = true;
        break;
      }
    }
    if (error) break;
    ++lines;
    context.status.set_progress(format_text("%d", lines));
    context.control.progress(JobUnit::lines, lines, total);
    if (context.stopped()) break;
  }
  pause.reset();
  if (retries > 0) context.print(format_text("%d retries", retries));
  if (!error) context.print("ok");
  return !error;
}

}  // namespace vexa
