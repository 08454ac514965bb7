#include "terminal/display_filter.h"

namespace vexa {

namespace {
// Pieces shorter than this are merged with the one before (same direction), so a byte-wise
// stream does not cost one record per byte; a merged piece keeps its first byte's time, which
// is what the line stamps want.
constexpr std::size_t kMergeBytes = 256;
}  // namespace

DisplayFilter::DisplayFilter(Terminal& terminal, Now now)
    : terminal_(terminal), now_(now ? std::move(now) : Now([] { return std::chrono::system_clock::now(); })) {}

void DisplayFilter::put_char(unsigned char c) {
  const char byte = static_cast<char>(c);
  put_text(std::string_view(&byte, 1));
}

void DisplayFilter::put_text(std::string_view bytes) {
  if (bytes.empty()) return;
  std::lock_guard lock(mutex_);
  add_locked(ByteDirection::received, bytes);
}

void DisplayFilter::sent(std::string_view bytes) {
  if (bytes.empty()) return;
  std::lock_guard lock(mutex_);
  add_locked(ByteDirection::sent, bytes);
}

void DisplayFilter::print_line(std::string_view text) {
  std::lock_guard lock(mutex_);
  keep_locked({ByteDirection::received, now_(), std::string(text), true});
  terminal_.print_line(text);
  // The line broke the board's line in the view: what follows starts a line of its own.
  stamper_.restart();
}

void DisplayFilter::keep_locked(Piece piece) {
  kept_bytes_ += piece.bytes.size();
  kept_.push_back(std::move(piece));
  while (kept_bytes_ > keep_ && kept_.size() > 1) {
    kept_bytes_ -= kept_.front().bytes.size();
    kept_.pop_front();
  }
}

void DisplayFilter::add_locked(ByteDirection direction, std::string_view bytes) {
  const auto when = now_();
  // A new line starts a new piece, so that every line keeps the time of its own first byte.
  const bool line_start = !kept_.empty() && !kept_.back().bytes.empty() &&
                          (kept_.back().bytes.back() == '\n' || kept_.back().bytes.back() == '\r');
  std::string_view rest = bytes;
  if (!kept_.empty() && !kept_.back().report && kept_.back().direction == direction &&
      kept_.back().bytes.size() < kMergeBytes && !line_start) {
    // Up to the first line end the bytes belong to the line already kept; later lines begin
    // now and get a piece with this time.
    std::size_t end = rest.find_first_of("\r\n");
    if (end != std::string_view::npos) {
      while (end < rest.size() && (rest[end] == '\r' || rest[end] == '\n')) ++end;
    } else {
      end = rest.size();
    }
    kept_.back().bytes.append(rest.substr(0, end));
    kept_bytes_ += end;
    rest.remove_prefix(end);
  }
  if (!rest.empty()) keep_locked({direction, when, std::string(rest)});
  show_locked({direction, when, std::string(bytes)});
}

void DisplayFilter::show_locked(const Piece& piece) {
  if (piece.report) {
    terminal_.show_line(piece.bytes);
    stamper_.restart();
    return;
  }
  if (hex_.load()) {
    // Each burst ends its row, so a short answer shows at once.
    std::string rows = dump_.add(piece.direction, piece.bytes);
    rows += dump_.finish_row();
    if (rows.empty()) return;
    if (stamps_.load()) {
      // Each row with the time its bytes came.
      const std::string stamp = line_stamp(piece.when);
      std::string stamped;
      stamped.reserve(rows.size() + (rows.size() / 60 + 1) * stamp.size());
      for (std::size_t start = 0; start < rows.size();) {
        const std::size_t end = rows.find('\n', start);
        const std::size_t next = end == std::string::npos ? rows.size() : end + 1;
        stamped += stamp;
        stamped.append(rows, start, next - start);
        start = next;
      }
      rows = std::move(stamped);
    }
    terminal_.put_text(rows);
    return;
  }
  if (piece.direction == ByteDirection::sent) return;
  if (stamps_.load())
    terminal_.put_text(stamper_.stamp(piece.bytes, piece.when));
  else
    terminal_.put_text(piece.bytes);
}

void DisplayFilter::redraw_locked() {
  terminal_.clear();
  dump_.reset();
  stamper_.restart();
  for (const auto& piece : kept_) show_locked(piece);
  terminal_.flush();
}

void DisplayFilter::set_hex(bool on) {
  std::lock_guard lock(mutex_);
  if (hex_.exchange(on) == on) return;
  redraw_locked();
}

void DisplayFilter::set_stamps(bool on) {
  std::lock_guard lock(mutex_);
  if (stamps_.exchange(on) == on) return;
  redraw_locked();
}

void DisplayFilter::set_ansi(bool on) {
  std::lock_guard lock(mutex_);
  if (terminal_.ansi() == on) return;
  terminal_.set_ansi(on);
  redraw_locked();
}

void DisplayFilter::set_keep(std::size_t bytes) {
  std::lock_guard lock(mutex_);
  keep_ = bytes;
}

}  // namespace vexa
