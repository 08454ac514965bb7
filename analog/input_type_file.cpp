#include "analog/input_type_file.h"

#include "platform/atomic_file.h"

#include <cctype>
#include <cstdarg>
#include <fstream>
#include <utility>

#include "base/capture_log.h"
#include "base/messages.h"
#include "base/text_format.h"
#include "config/config_file_format.h"
#include "platform/serial_tty.h"
#include "base/cp1252.h"
#include "platform/system_error.h"

namespace vexa {

namespace {

// Whether text is well-formed UTF-8 holding at least one character beyond ASCII.
bool is_utf8_beyond_ascii(std::string_view text) {
  bool beyond = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t more = 0;
    char32_t low = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      more = 1, low = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      more = 2, low = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      more = 3, low = 0x10000;
    } else {
      return false;
    }
    if (i + more >= text.size()) return false;
    char32_t c = lead & (0x3F >> more);
    for (std::size_t k = 1; k <= more; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3F);
    }
    if (c < low || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    beyond = true;
    i += more + 1;
  }
  return beyond;
}

// The file's text as single-byte characters.
std::string single_byte_text(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") return utf8_to_cp1252(text.substr(3));
  if (is_utf8_beyond_ascii(text)) return utf8_to_cp1252(text);
  return std::string(text);
}

struct LanguageKeys {
  std::string_view title;
  std::string_view txt;
};

LanguageKeys keys_for(char language) {
  switch (std::tolower(static_cast<unsigned char>(language))) {
    case 'f': return {"titlef", "txtf"};
    case 'd': return {"titled", "txtd"};
    default: return {"title", "txt"};
  }
}

bool is_language_key(std::string_view key) {
  return key == "title" || key == "titlef" || key == "titled" || key == "txt" || key == "txtf" ||
         key == "txtd";
}

std::uint32_t board_mask_of(std::string_view value) {
  std::uint32_t mask = 0;
  for (char c : value) {
    if (!std::isalpha(static_cast<unsigned char>(c))) break;
    mask |= input_type_board_bit(c);
  }
  return mask;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A run of digits from at; values beyond a million are held at a million (no flag that high).
unsigned long read_number(std::string_view text, std::size_t& at) {
  unsigned long value = 0;
  while (at < text.size() && is_digit(text[at])) {
    if (value < 1000000) value = value * 10 + static_cast<unsigned long>(text[at] - '0');
    ++at;
  }
  return value;
}

// "0-7,12,14-15": sets the flags of the numbers below 256; ends at the first misfit.
std::bitset<kInputTypeInputs> input_flags_of(std::string_view value) {
  std::bitset<kInputTypeInputs> flags;
  std::size_t at = 0;
  for (;;) {
    while (at < value.size() && (value[at] == ' ' || value[at] == '\t')) ++at;
    if (at >= value.size() || !is_digit(value[at])) break;
    const unsigned long first = read_number(value, at);
    unsigned long last = first;
    if (at + 1 < value.size() && value[at] == '-' && is_digit(value[at + 1])) {
      ++at;
      last = read_number(value, at);
    }
    for (unsigned long n = first; n <= last && n < kInputTypeInputs; ++n) flags.set(n);
    if (at >= value.size() || value[at] != ',') break;
    ++at;
  }
  return flags;
}

InputType as_utf8(InputType entry) {
  for (std::string* text : {&entry.title, &entry.mode, &entry.set, &entry.warn, &entry.propose,
                            &entry.txt, &entry.hide}) {
    *text = cp1252_to_utf8(*text);
  }
  return entry;
}

class Reader {
 public:
  Reader(char language, CaptureLog* log, std::string_view file_name, std::vector<std::string>* notes)
      : keys_(keys_for(language)), log_(log), file_name_(file_name), notes_(notes) {}

  void piece(std::string_view raw) {
    if (line_done_) ++line_;
    const bool ends_line = !raw.empty() && raw.back() == '\n';
    if (!ends_line && raw.size() >= kFilePieceChars && line_done_) {
      note("is longer than %zu characters and is read in pieces", kFilePieceChars);
    }
    line_done_ = ends_line || raw.size() < kFilePieceChars;
    std::string_view line = raw.substr(0, raw.find_first_of("\r\n"));
    line = line.substr(0, line.find("//"));
    if (full()) {
      if (!line.empty() && !told_full_) {
        note("and the lines after it are ignored: the table holds %zu input types", kInputTypeEntries);
        told_full_ = true;
      }
      return;
    }
    if (line.empty()) {
      end_entry();
      return;
    }
    const std::size_t tab = line.find('\t');
    const std::string_view key = line.substr(0, tab);
    const std::string_view value = tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
    has_lines_ = true;
    store(key, value);
  }

  std::vector<InputType> finish() {
    if (!full() && !current_.title.empty()) {
      entries_.push_back(as_utf8(std::move(current_)));
    } else if (!full() && has_lines_) {
      note("ends an entry without a \"%.*s\" line: the entry is dropped", static_cast<int>(keys_.title.size()),
           keys_.title.data());
    }
    return std::move(entries_);
  }

 private:
  bool full() const { return entries_.size() >= kInputTypeEntries; }

  void end_entry() {
    if (!current_.title.empty()) {
      entries_.push_back(as_utf8(std::move(current_)));
      current_ = InputType{};
      has_lines_ = false;
    } else if (has_lines_ && !told_untitled_) {
      note("ends an entry without a \"%.*s\" line: the next lines continue it",
           static_cast<int>(keys_.title.size()), keys_.title.data());
      told_untitled_ = true;
    }
  }

  void copy_limited(std::string& field, std::string_view key, std::string_view value, std::size_t limit) {
    field = limited(value, limit);
    if (value.size() > limit) {
      note("cuts the %.*s text to %zu characters", static_cast<int>(key.size()), key.data(), limit);
    }
  }

  // Appends value and CR LF while the result stays within limit.
  void append_line(std::string& field, std::string_view key, std::string_view value, std::size_t limit) {
    if (field.size() + value.size() + 2 <= limit) {
      field.append(value).append("\r\n");
    } else {
      note("is dropped: the %.*s text would exceed %zu characters", static_cast<int>(key.size()), key.data(),
           limit);
    }
  }

  void store(std::string_view key, std::string_view value) {
    if (key == "board") {
      current_.board_mask = board_mask_of(value);
    } else if (key == keys_.title) {
      copy_limited(current_.title, key, value, kInputTypeTitleChars);
    } else if (key == "input") {
      current_.inputs = input_flags_of(value);
    } else if (key == "pic") {
      current_.pic = static_cast<int>(leading_integer(value));
    } else if (key == "mode") {
      copy_limited(current_.mode, key, value, kInputTypeModeChars);
    } else if (key == "set") {
      copy_limited(current_.set, key, value, kInputTypeSetChars);
    } else if (key == "warn") {
      copy_limited(current_.warn, key, value, kInputTypeWarnChars);
    } else if (key == "propose") {
      copy_limited(current_.propose, key, value, kInputTypeProposeChars);
    } else if (key == "hide") {
      append_line(current_.hide, key, value, kInputTypeHiddenChars);
    } else if (key == keys_.txt) {
      append_line(current_.txt, key, value, kInputTypeTextChars);
    } else if (!is_language_key(key) && unknown_keys_told_ < 10) {
      ++unknown_keys_told_;
      note("has the unknown key \"%s\" (key and value are separated by a tab)",
           limited(cp1252_to_utf8(key), 40).c_str());
    }
  }

  void note(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    if (!log_ && !notes_) return;
    va_list args;
    va_start(args, format);
    const std::string detail = vformat_text(kLogRecordChars, format, args);
    va_end(args);
    const std::string text = format_text("%.*s line %d %s", static_cast<int>(file_name_.size()),
                                         file_name_.data(), line_, detail.c_str());
    if (log_) log_->log_record(' ', text + "\n");
    if (notes_) notes_->push_back(text);
  }

  const LanguageKeys keys_;
  CaptureLog* const log_;
  const std::string_view file_name_;
  std::vector<std::string>* const notes_;
  std::vector<InputType> entries_;
  InputType current_;
  bool has_lines_ = false;
  int line_ = 0;
  bool line_done_ = true;
  bool told_full_ = false;
  bool told_untitled_ = false;
  int unknown_keys_told_ = 0;
};

}  // namespace

InputTypeTable parse_input_type_file(std::string_view text, char language, CaptureLog* log,
                                     std::string_view file_name, std::vector<std::string>* notes) {
  const std::string bytes = single_byte_text(text);
  if (bytes.find('\0') != std::string::npos) {
    const std::string note = format_text("%.*s holds NUL characters: the rest of each such line is ignored",
                                         static_cast<int>(file_name.size()), file_name.data());
    if (log) log->log_record(' ', note + "\n");
    if (notes) notes->push_back(note);
  }
  Reader reader(language, log, file_name, notes);
  for_each_file_piece(bytes, [&](std::string_view piece) { reader.piece(piece); });
  return InputTypeTable(reader.finish());
}

bool load_input_types(InputTypeTable& table, const std::string& path, char language, CaptureLog* log,
                      InputTypeFileProblems* problems) {
  std::string text;
  if (const int error = read_whole_file_error(path, text, kInputTypeFileMaxBytes + 1)) {
    if (log) log->log_recordf(' ', "%s cannot be read: no input types\n", path.c_str());
    if (problems) problems->open_error = error;
    return false;
  }
  std::vector<std::string>* notes = problems ? &problems->notes : nullptr;
  if (text.size() > kInputTypeFileMaxBytes) {
    text.resize(kInputTypeFileMaxBytes);
    const std::string note = format_text("%s is larger than %zu bytes: the rest is ignored", path.c_str(),
                                         kInputTypeFileMaxBytes);
    if (log) log->log_record(' ', note + "\n");
    if (notes) notes->push_back(note);
  }
  table = parse_input_type_file(text, language, log, file_name_part(path), notes);
  return true;
}

std::vector<std::string> input_type_file_report(const InputTypeFileProblems& problems,
                                                std::string_view file_name, const Messages& messages) {
  constexpr std::size_t kNotesShown = 3;
  std::vector<std::string> lines;
  if (problems.open_error != 0) {
    lines.push_back(format_message(messages.message("VtAinNoRd"),
                                   {file_name, system_error_text(problems.open_error)}));
    return lines;
  }
  if (problems.notes.empty()) return lines;
  lines.push_back(format_message(messages.message("VtAinBad"),
                                 {file_name, static_cast<int>(problems.notes.size())}));
  for (std::size_t i = 0; i < problems.notes.size() && i < kNotesShown; ++i) lines.push_back(problems.notes[i]);
  if (problems.notes.size() > kNotesShown)
    lines.push_back(format_message(messages.message("VtAinMore"),
                                   {static_cast<int>(problems.notes.size() - kNotesShown)}));
  return lines;
}

}  // namespace vexa
