#include "download/page_loader.h"

#include <algorithm>
#include <vector>

#include "base/text_format.h"

namespace vexa {

namespace {

// The first few trace lines in verbose mode, otherwise the first few pauses: both budgets
// start at ten and each point uses one, acting only while the budget is above zero.
class SlowStart {
 public:
  explicit SlowStart(const DownloadContext& context)
      : context_(context),
        trace_budget_(context.verbose ? kSlowStartBudget : 0),
        pause_budget_(context.verbose ? 0 : kSlowStartBudget) {}

  void trace(const std::string& line) {
    if (--trace_budget_ > 0) context_.print(line);
  }
  void pause() {
    if (--pause_budget_ > 0) context_.clock.sleep_ms(kSlowStartPauseMs);
  }

 private:
  const DownloadContext& context_;
  int trace_budget_;
  int pause_budget_;
};

// The link speed and the receive thread's reading, given back on every way out.
class LoaderSpeed {
 public:
  LoaderSpeed(BoardPort& port, long loader_speed) : port_(port), saved_(port.speed()) {
    port_.set_speed(loader_speed, SpeedNotice::quiet);
    port_.pause_reading();
  }
  ~LoaderSpeed() { restore(); }
  LoaderSpeed(const LoaderSpeed&) = delete;
  LoaderSpeed& operator=(const LoaderSpeed&) = delete;
  void restore() {
    if (restored_) return;
    restored_ = true;
    if (saved_ > 0) port_.set_speed(saved_, SpeedNotice::quiet);
    port_.resume_reading();
  }

 private:
  BoardPort& port_;
  const long saved_;
  bool restored_ = false;
};

bool write_failed(const DownloadContext& context, bool written) {
  if (!written) context.print(context.text("MerWrite"));
  return !written;
}

// prefix: the two loaders word the line a little differently ("got junk : " and "got junk: ").
void read_junk(const DownloadContext& context, const char* prefix) {
  for (int i = 0; i < kJunkBytes; ++i) {
    int c = context.port.read_byte(0);
    if (c <= 0) break;
    context.print(format_text("%s%02x", prefix, c));
  }
}

// Board type check against row after a banner: false (and the line) on a mismatch.
bool board_matches(const DownloadContext& context, const LoaderType& row) {
  const char letter = context.target.type_letter();
  if (letter == 0 || letter == row.letter) return true;
  context.print(context.text("MerrBoard") + ": " + context.target.identity_line());
  return false;
}

// The detected row when it belongs to the same image identity (a "Download E" banner picks the
// 115200-baud row for an 'E' image), else row.
const LoaderType& loader_row(const DownloadContext& context, const LoaderType& row) {
  const LoaderType* detected = context.detector.detected();
  return detected && detected->identity == row.identity ? *detected : row;
}

}  // namespace

std::string read_banner_text(BoardPort& port) {
  std::string text;
  bool ended = false;
  for (int i = 0; i < kBannerReadBytes; ++i) {
    int c = port.read_byte(0);
    if (c <= 0) ended = true;  // a byte that did not come ends the text
    if (!ended) text.push_back(static_cast<char>(c));
  }
  text = text.substr(0, text.find('\r'));
  return text.substr(0, text.find('\n'));
}

bool hex_download(const DownloadContext& context, const HexImage& image, const LoaderType& file_row) {
  BoardPort& port = context.port;
  // Counted from here, so that an end before the first page still says how many were due.
  context.control.progress(JobUnit::pages, 0, static_cast<long>(file_row.page_count));
  if (write_failed(context, port.write_text("dl\n"))) return false;
  context.clock.sleep_ms(kHexBannerWaitMs);
  context.detector.check(read_banner_text(port));
  if (!board_matches(context, file_row)) return false;
  if (!context.detector.detected()) {
    context.print(context.text("MnoDown"));
    return false;
  }
  const LoaderType& row = loader_row(context, file_row);

  SlowStart slow(context);
  slow.trace("sleep 500 ms");
  context.clock.sleep_ms(kSpeedChangeWaitMs);
  LoaderSpeed speed(port, row.speed);

  const std::size_t page_size = row.page_size;
  unsigned address = 0;
  int written = 0;
  for (std::uint32_t page = 0; page < row.page_count; ++page) {
    address = page * row.page_size;
    const int low = address & 0xFF, high = (address >> 8) & 0xFF;
    const std::uint8_t* data = image.bytes.data() + (address % kHexImageBytes);
    slow.trace(format_text("send : %02x %02x", low, high));
    slow.pause();
    const char header[3] = {':', static_cast<char>(low), static_cast<char>(high)};
    if (write_failed(context, port.write_bytes(std::string_view(header, 3)))) break;

    int reply = std::max(port.read_byte(kPageReplyWaitMs), -1);  // a closed port reads as nothing
    if (reply < 0) {
      context.print(no_reply_text(context, 2, -1));
    } else {
      slow.trace(format_text("got : %02x", reply));
      slow.pause();
    }
    if (reply != high) {
      context.print(format_text("expected: %02x got: %02x", high, reply & 0xFF));
      break;
    }

    slow.trace(format_text("send %02x %02x %02x %02x..", data[0], data[1], data[2], data[3]));
    slow.pause();
    std::string page_bytes(reinterpret_cast<const char*>(data), page_size);
    if (write_failed(context, port.write_bytes(page_bytes))) break;
    address += row.page_size;
    context.status.set_progress(format_text("%u", address));
    if (context.stopped()) break;

    reply = std::max(port.read_byte(kPageReplyWaitMs), -1);
    if (reply < 0) {
      context.print(no_reply_text(context, 3, -1));
      break;
    }
    slow.trace(format_text("got : %02x", reply));
    slow.pause();
    if (reply != data[0]) {
      context.print(format_text("expected: %02x got: %02x", data[0], reply & 0xFF));
      break;
    }
    if (context.stopped()) break;
    ++written;
    context.page_done(written, static_cast<int>(row.page_count));
  }
  read_junk(context, "got junk : ");
  context.print(pages_summary(context, address, written));
  speed.restore();
  return written == static_cast<int>(row.page_count);
}

bool bin_download(const DownloadContext& context, std::istream& file, const LoaderType& file_row) {
  BoardPort& port = context.port;
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  file.seekg(0);
  auto pages_of = [size](const LoaderType& r) {
    return size > 0 ? static_cast<int>((size + r.page_size - 1) / r.page_size) : 0;
  };
  context.control.progress(JobUnit::pages, 0, pages_of(file_row));
  context.detector.forget();
  for (int attempt = 0; attempt < kBinDlAttempts; ++attempt) {
    for (int i = 0; i < kBannerReadBytes; ++i) port.read_byte(0);
    if (write_failed(context, port.write_text("dl\n"))) return false;
    context.clock.sleep_ms(kBinBannerWaitMs);
    context.detector.check(read_banner_text(port));
    if (context.detector.detected()) break;
  }
  if (!board_matches(context, file_row)) return false;
  if (!context.detector.detected()) {
    context.print(context.text("MnoDown"));
    return false;
  }
  const LoaderType& row = loader_row(context, file_row);
  const int total = pages_of(row);
  LoaderSpeed speed(port, row.speed);

  // Frames are always whole: a short last read is filled up with erased flash.
  std::string frame(row.page_size + 1, '\xFF');
  long bytes = 0;
  int pages = 0;
  bool whole = false;
  for (;;) {
    std::fill(frame.begin(), frame.end(), '\xFF');
    frame[0] = ':';
    file.read(frame.data() + 1, row.page_size);
    if (file.gcount() <= 0) {
      whole = true;
      break;
    }
    if (context.verbose)
      context.print(format_text("send: : %02x %02x %02x %02x", frame[1] & 0xFF, frame[2] & 0xFF,
                                frame[3] & 0xFF, frame[4] & 0xFF));
    if (write_failed(context, port.write_bytes(frame))) break;
    bytes += row.page_size;
    context.status.set_progress(format_text("%ld", bytes));
    if (context.stopped()) break;
    int reply = port.read_byte(kPageReplyWaitMs);
    if (reply < 0) {
      context.print(no_reply_text(context, 4, -1));
      break;
    }
    if (context.verbose) context.print(format_text("got: %02x", reply));
    if (context.stopped()) break;
    ++pages;
    context.page_done(pages, total);
  }
  read_junk(context, "got junk: ");
  context.print(pages_summary(context, bytes, pages));
  port.write_text("go\n");
  speed.restore();
  return whole;
}

}  // namespace vexa
