#pragma once
#include <functional>

// What every download job works with: the link, the terminal, the texts, the status field,
// the Stop request, the loader detection and the clock it paces itself by.
#include "base/board_jobs.h"
#include "base/messages.h"
#include "base/session_ports.h"
#include "base/board_port.h"
#include "link/board_channel.h"
#include "platform/clock.h"
#include "download/loader_detector.h"
#include "base/report_sink.h"

namespace vexa {

struct DownloadContext {
  BoardPort& port;
  BoardChannel& channel;  // the "Ok" replies and the echo switch
  ReportSink& report;
  const Messages& messages;
  StatusLine& status;
  const JobControl& control;
  LoaderDetector& detector;
  LoaderTarget& target;
  const Clock& clock;
  bool verbose = false;
  // Pages done of the page count after each page of a page download, besides the job's
  // progress; called on the worker.
  std::function<void(int done, int total)> pages = {};
  // Where the SAM-BA prompt wait echoes the monitor's bytes in verbose mode (null: nowhere).
  CharSink* echo = nullptr;

  void print(std::string_view text) const { report.print_line(text); }
  std::string text(std::string_view key) const { return messages.message(key); }
  bool stopped() const { return control.stop_requested(); }
  void page_done(int done, int total) const {
    if (pages) pages(done, total);
    control.progress(JobUnit::pages, done, total);
  }
};

// "%d(0x%x) %s, %d %s": bytes, bytes, "bytes", pages, "pages written".
std::string pages_summary(const DownloadContext& context, long bytes, int pages);
// The catalog's "Error no reply (%d/%d)".
std::string no_reply_text(const DownloadContext& context, int where, int detail);

}  // namespace vexa
