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

namespace {

constexpr std::string_view kGroup = "Download side";
constexpr long kMostCount = 1000000;

// The counts of the fault options: a page, a chunk, or how many before the link goes away.
std::string read_count(std::string_view name, const std::string& text, int& field) {
  auto n = number(text);
  if (!n || *n < 0 || *n > kMostCount)
    return std::string(name) + " must be a count 0..1000000, not '" + text + "'";
  field = static_cast<int>(*n);
  return {};
}

using Row = OptionRow<DownloadSideOptions>;
using Value = const std::string&;

const Row kRows[] = {
    {{"--loader", "ROW", kGroup, "the loader \"dl\" enters: a banner (\"Download E\") or row 1..5"},
     [](DownloadSideOptions& o, std::string_view, Value text) -> std::string {
       auto row = loader_row(text);
       if (!row) return "--loader must be a banner (\"Download E\") or a row 1..5, not '" + text + "'";
       o.loader.row = *row;
       o.loader_named = true;
       return {};
     }},
    {{"--loader-format", "hex|bin", kGroup, "the page protocol the loader takes (default hex)"},
     [](DownloadSideOptions& o, std::string_view, Value text) -> std::string {
       if (text != "hex" && text != "bin") return "--loader-format must be hex or bin, not '" + text + "'";
       o.loader.bin_frames = text == "bin";
       return {};
     }},
    {{"--flash-out", "FILE", kGroup, "write the flashed image there when the loader ends"},
     [](DownloadSideOptions& o, std::string_view, Value text) -> std::string {
       if (text.empty()) return "--flash-out needs a file";
       o.loader.flash_out = text;
       return {};
     }},
    {{"--no-banner", "", kGroup, "\"dl\" is ignored (no loader answers)"},
     [](DownloadSideOptions& o, std::string_view, Value) -> std::string {
       o.loader.banner = false;
       return {};
     }},
    {{"--wrong-echo-page", "N", kGroup, "answer page N's data with a wrong byte"},
     [](DownloadSideOptions& o, std::string_view name, Value text) { return read_count(name, text, o.loader.wrong_echo_page); }},
    {{"--script-crlf", "", kGroup, "answer script lines with \"ok\" CR LF"},
     [](DownloadSideOptions& o, std::string_view, Value) -> std::string {
       o.loader.script_crlf = true;
       return {};
     }},
    {{"--vanish-after-pages", "N", kGroup, "hang up and remove the link after N loader pages"},
     [](DownloadSideOptions& o, std::string_view name, Value text) { return read_count(name, text, o.loader.vanish_after_pages); }},
    {{"--card", "DIR", kGroup, "the memory card's folder for \"fd\""},
     [](DownloadSideOptions& o, std::string_view, Value text) -> std::string {
       if (text.empty()) return "--card needs a folder";
       o.card.folder = text;
       return {};
     }},
    {{"--card-upper", "", kGroup, "acknowledge card chunks with \"OK\" LF"},
     [](DownloadSideOptions& o, std::string_view, Value) -> std::string {
       o.card.upper_ack = true;
       return {};
     }},
    {{"--card-stall-from", "N", kGroup, "from chunk N on, answer \"ok\" without its LF"},
     [](DownloadSideOptions& o, std::string_view name, Value text) { return read_count(name, text, o.card.stall_from_chunk); }},
    {{"--card-lose-ack", "N", kGroup, "answer chunk line N alone (resends count) \"ok\" without its LF"},
     [](DownloadSideOptions& o, std::string_view name, Value text) { return read_count(name, text, o.card.lose_ack_chunk); }},
    {{"--vanish-after-chunks", "N", kGroup, "hang up and remove the link after N card chunks"},
     [](DownloadSideOptions& o, std::string_view name, Value text) { return read_count(name, text, o.card.vanish_after_chunks); }},
};

}  // namespace

std::span<const OptionRow<DownloadSideOptions>> download_option_rows() { return kRows; }

}  // namespace vexa::sim
