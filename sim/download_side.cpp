#include "sim/download_side.h"

#include <charconv>

namespace vexa::sim {

namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz______";

std::optional<long> number(const std::string& text) {
  long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// The row a --loader value names: its banner or its number 1..5.
std::optional<int> loader_row(const std::string& text) {
  const auto rows = loader_types();
  for (std::size_t i = 0; i + 1 < rows.size(); ++i)
    if (text == rows[i].banner) return static_cast<int>(i);
  auto n = number(text);
  if (n && *n >= 1 && *n + 1 <= static_cast<long>(rows.size())) return static_cast<int>(*n - 1);
  return std::nullopt;
}

}  // namespace

DownloadSideOptions default_download_options(char board_type) {
  DownloadSideOptions options;
  options.loader.banner = board_type != 'S';
  return options;
}

void DownloadSide::configure(const DownloadSideOptions& options) {
  loader_.configure(options.loader);
  card_.configure(options.card);
}

bool is_test_line(std::string_view line) {
  if (line.size() != 98 || line[6] != ' ') return false;
  return line.substr(7, kAlphabet.size()) == kAlphabet;
}

std::optional<std::vector<std::string>> DownloadSide::execute(std::string_view line, std::string& raw) {
  if (line == "dl") {
    if (!loader_.enter()) return std::vector<std::string>{};
    return std::vector<std::string>{loader_.row().banner};
  }
  if (auto reply = card_.execute(line)) {
    raw += *reply;
    return std::vector<std::string>{};
  }
  if (is_test_line(line)) {
    ++test_lines_;
    return std::vector<std::string>{};
  }
  return std::nullopt;
}

bool download_option_takes_value(const std::string& name) {
  return name == "--loader" || name == "--loader-format" || name == "--flash-out" ||
         name == "--wrong-echo-page" || name == "--card" || name == "--card-stall-from" ||
         name == "--vanish-after-pages" || name == "--vanish-after-chunks";
}

std::optional<std::string> parse_download_option(const std::string& name,
                                                 const std::optional<std::string>& value,
                                                 DownloadSideOptions& options) {
  if (name == "--no-banner" || name == "--script-crlf" || name == "--card-upper") {
    if (value) return name + " takes no value";
    if (name == "--no-banner") options.loader.banner = false;
    if (name == "--script-crlf") options.loader.script_crlf = true;
    if (name == "--card-upper") options.card.upper_ack = true;
    return std::string();
  }
  if (!download_option_takes_value(name)) return std::nullopt;
  if (!value) return name + " needs a value";
  const std::string& text = *value;
  if (name == "--loader") {
    auto row = loader_row(text);
    if (!row) return "--loader must be a banner (\"Download E\") or a row 1..5, not '" + text + "'";
    options.loader.row = *row;
  } else if (name == "--loader-format") {
    if (text != "hex" && text != "bin") return "--loader-format must be hex or bin, not '" + text + "'";
    options.loader.bin_frames = text == "bin";
  } else if (name == "--flash-out") {
    if (text.empty()) return std::string("--flash-out needs a file");
    options.loader.flash_out = text;
  } else if (name == "--card") {
    if (text.empty()) return std::string("--card needs a folder");
    options.card.folder = text;
  } else {
    auto n = number(text);
    if (!n || *n < 0 || *n > 1000000) return name + " must be a count 0..1000000, not '" + text + "'";
    int& field = name == "--wrong-echo-page"      ? options.loader.wrong_echo_page
                 : name == "--card-stall-from"    ? options.card.stall_from_chunk
                 : name == "--vanish-after-pages" ? options.loader.vanish_after_pages
                                                  : options.card.vanish_after_chunks;
    field = static_cast<int>(*n);
  }
  return std::string();
}

std::string download_usage_text() {
  return "  --loader ROW       the loader \"dl\" enters: a banner (\"Download E\") or row 1..5\n"
         "  --loader-format hex|bin  the page protocol the loader takes (default hex)\n"
         "  --flash-out FILE   write the flashed image there when the loader ends\n"
         "  --no-banner        \"dl\" is ignored (no loader answers)\n"
         "  --wrong-echo-page N  answer page N's data with a wrong byte\n"
         "  --script-crlf      answer script lines with \"ok\" CR LF\n"
         "  --card DIR         the memory card's folder for \"fd\"\n"
         "  --card-upper       acknowledge card chunks with \"OK\" LF\n"
         "  --card-stall-from N  from chunk N on, answer \"ok\" without its LF\n"
         "  --vanish-after-pages N   hang up and remove the link after N loader pages\n"
         "  --vanish-after-chunks N  hang up and remove the link after N card chunks\n";
}

}  // namespace vexa::sim
