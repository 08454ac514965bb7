#include "sim/board_uploads.h"

#include <cctype>

#include "base/text_format.h"

namespace vexa::sim {

namespace {

std::string_view next_word(std::string_view& text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  std::size_t end = text.find(' ');
  std::string_view word = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end);
  return word;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

void BoardUploads::add_file(LogFileSpec spec) {
  for (LoggedFile& file : files_) {
    if (same_name(file.name(), spec.name)) {
      file = LoggedFile(std::move(spec), clock_.monotonic_ms());
      return;
    }
  }
  files_.emplace_back(std::move(spec), clock_.monotonic_ms());
}

const LoggedFile* BoardUploads::find(std::string_view name) const {
  for (const LoggedFile& file : files_)
    if (same_name(file.name(), name)) return &file;
  return nullptr;
}

std::vector<std::string> BoardUploads::directory_lines() const {
  std::vector<std::string> lines;
  const std::int64_t now = clock_.monotonic_ms();
  for (const LoggedFile& file : files_) {
    const std::string& name = file.name();
    const std::size_t dot = name.rfind('.');
    const std::string base = upper(name.substr(0, dot));
    const std::string extension = dot == std::string::npos ? std::string() : upper(name.substr(dot + 1));
    lines.push_back(format_text("%s %s %llu", base.c_str(), extension.c_str(),
                                static_cast<unsigned long long>(file.byte_count(file.line_count(now)))));
  }
  return lines;
}

std::size_t BoardUploads::line_count(std::string_view name) const {
  const LoggedFile* file = find(name);
  return file ? file->line_count(clock_.monotonic_ms()) : 0;
}

bool BoardUploads::is_upload_command(std::string_view line) {
  return line.substr(0, 3) == "up " || line.substr(0, 3) == "bi=";
}

std::vector<std::string> BoardUploads::execute(std::string_view line) {
  if (line.substr(0, 3) == "bi=") {
    const std::string_view digits = line.substr(3);
    const long speed = leading_integer(digits);
    if (speed <= 0 || digits.find_first_not_of("0123456789") != std::string_view::npos)
      return {format_text("Error bad speed %s", limited(digits, 40).c_str())};
    output_ += '\r';  // the acknowledgement, still at the old speed
    pending_speed_ = speed;
    return {};
  }
  std::string_view rest = line.substr(3);
  std::string_view name = next_word(rest);
  bool binary = false;
  if (name == "-b") {
    binary = true;
    name = next_word(rest);
  }
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  const LoggedFile* file = find(name);
  if (!file) return {format_text("Error no file %s", limited(name, 40).c_str())};
  const std::size_t count = file->line_count(clock_.monotonic_ms());
  listing_ = Listing{};
  listing_.file = file;
  listing_.binary = binary;
  listing_.end = count;
  listing_.next = file->first_after(rest, count);
  return {};
}

void BoardUploads::received_while_listing(std::string_view bytes) {
  if (listing() && !bytes.empty()) listing_.stop = true;
}

void BoardUploads::close_listing(std::string& out) {
  out += format_text("%s %s, %zu lines\r\nok\r\n", listing_.stop ? "stopped" : "end of",
                     listing_.file->name().c_str(), listing_.listed);
  listing_ = Listing{};
}

std::string BoardUploads::take_output(std::size_t max) {
  std::string out = std::move(output_);
  output_.clear();
  if (!listing()) return out;
  while (out.size() < max) {
    if (listing_.stop) {
      close_listing(out);
      break;
    }
    if (!listing_.binary) {
      if (listing_.next >= listing_.end) {
        close_listing(out);
        break;
      }
      out += '>';
      out += listing_.file->line(listing_.next++);
      out += "\r\n";
      ++listing_.listed;
      continue;
    }
    while (listing_.pending.size() < kHexBytesPerLine && listing_.next < listing_.end) {
      listing_.pending += listing_.file->line(listing_.next++);
      listing_.pending += '\n';
      ++listing_.listed;
    }
    if (listing_.pending.empty()) {
      close_listing(out);
      break;
    }
    const std::size_t n = std::min(kHexBytesPerLine, listing_.pending.size());
    out += '>';
    for (std::size_t i = 0; i < n; ++i) {
      const auto byte = static_cast<unsigned char>(listing_.pending[i]);
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 15];
    }
    out += "\r\n";
    listing_.pending.erase(0, n);
  }
  return out;
}

void BoardUploads::output_written() {
  if (pending_speed_ > 0 && output_.empty()) {
    speed_ = pending_speed_;
    pending_speed_ = 0;
  }
}

void BoardUploads::abort() {
  listing_ = Listing{};
  output_.clear();
  if (pending_speed_ > 0) speed_ = pending_speed_;
  pending_speed_ = 0;
}

}  // namespace vexa::sim
