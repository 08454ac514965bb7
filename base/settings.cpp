#include "base/settings.h"

#include <cstdarg>
#include <fstream>
#include <sstream>

#include "base/text_format.h"
#include "platform/atomic_file.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"

namespace vexa {

const std::vector<SettingDefinition>& setting_definitions() {
  static const std::vector<SettingDefinition> table = {
      {"language", "e"},     {"fontvar", "tahoma"},  {"fontvarsize", "11"},
      {"fontfix", "courier new"}, {"fontfixsize", "12"}, {"target", ""},
      {"COM", ""},           {"Baud", ""},           {"Upload115200", "1"},
      {"phone", ""},         {"WindowHeight", ""},   {"WindowWidth", ""},
      {"CompileDir", ""},    {"CompileCmd", ""},     {"CompileBin", ""},
      {"CompileEnv1", ""},   {"CompileEnv2", ""},    {"CompileEnv3", ""},
      {"CompileEnv4", ""},   {"CompileEnv5", ""},    {"CompileEnv6", ""},
      {"CompileEnv7", ""},   {"CompileEnv8", ""},    {"CompileEnv9", ""},
      {"log", ""},           {"debug", ""},          {"armcdt", ""},
      // The terminal's own choices; every default is the plain terminal.
      {"TermLine", ""},      {"TermEnter", "cr"},    {"TermBackspace", "bs"},
      {"TermEcho", "0"},     {"TermHex", "0"},       {"TermStamps", "0"},
      {"TermAnsi", "0"},     {"TermHistory", "0"},  {"Scrollback", ""},
      {"TermScrollback", "10000"},
  };
  return table;
}

Settings::Settings() {
  for (const auto& def : setting_definitions())
    entries_.push_back({def.name, def.default_value, def.default_value});
}

Settings::Entry* Settings::find(std::string_view name) {
  for (auto& e : entries_)
    if (name == e.name) return &e;
  return nullptr;
}

const Settings::Entry* Settings::find(std::string_view name) const {
  for (const auto& e : entries_)
    if (name == e.name) return &e;
  return nullptr;
}

std::string Settings::get_setting(std::string_view name, std::string_view fallback) const {
  std::lock_guard lock(mutex_);
  const Entry* e = find(name);
  return e ? e->value : std::string(fallback);
}

std::optional<std::string> Settings::lookup(std::string_view name) const {
  std::lock_guard lock(mutex_);
  const Entry* e = find(name);
  if (!e) return std::nullopt;
  return e->value;
}

bool Settings::set_setting(std::string_view name, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformat_text(kSettingFormatChars, format, args);
  va_end(args);
  return set_value(name, text);
}

bool Settings::set_value(std::string_view name, std::string_view value) {
  std::lock_guard lock(mutex_);
  Entry* e = find(name);
  if (!e) return false;
  e->value = limited(value, kSettingValueChars);
  return true;
}

void Settings::reset_settings() {
  std::lock_guard lock(mutex_);
  for (auto& e : entries_) e.value = e.default_value;
}

bool Settings::read_settings(const std::string& path) {
  reset_settings();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  // Lines are read 499 characters at a time, as a fixed line buffer would: the rest of an
  // overlong line is read as a line of its own.
  while (true) {
    line.clear();
    char c;
    bool got = false;
    while (line.size() < kSettingValueChars && in.get(c)) {
      got = true;
      line += c;
      if (c == '\n') break;
    }
    if (!got) break;
    if (auto cr = line.find('\r'); cr != std::string::npos) line.resize(cr);
    if (auto lf = line.find('\n'); lf != std::string::npos) line.resize(lf);
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    set_value(std::string_view(line).substr(0, eq), std::string_view(line).substr(eq + 1));
  }
  return true;
}

std::string Settings::settings_text() const {
  std::lock_guard lock(mutex_);
  std::string text;
  for (const auto& e : entries_)
    if (e.value != e.default_value) text += std::string(e.name) + "=" + e.value + "\n";
  return text;
}

bool Settings::write_settings(const std::string& path) const {
  return write_file_atomically(path, settings_text());
}

std::optional<std::string> Settings::save_settings(const std::string& path) const {
  const int error = write_file_atomically_error(path, settings_text());
  if (error == 0) return std::nullopt;
  return system_error_text(error);
}

bool Settings::debug(char letter) const {
  std::string value = get_setting("debug", "");
  if (value.empty() || value == "0") return false;
  if (letter == 0) return true;
  return value.find(letter) != std::string::npos;
}

bool Settings::reduced_variant() const {
  std::string value = get_setting("armcdt", "");
  return !value.empty() && value != "0";
}

SessionValues SessionValues::from_settings(const Settings& s) {
  SessionValues v;
  std::string language = s.get_setting("language", "e");
  v.language = language.empty() ? '\0' : language[0];
  v.target = s.get_setting("target", "");
  v.link_name = s.get_setting("COM", "");
  v.speed_text = s.get_setting("Baud", "");
  v.phone = s.get_setting("phone", "");
  v.upload115200 = leading_integer(s.get_setting("Upload115200", "1")) != 0;
  v.log_mode = static_cast<int>(leading_integer(s.get_setting("log", "0")));
  v.link_speed = leading_integer(v.speed_text);
  return v;
}

void SessionValues::store_into(Settings& s) const {
  s.set_setting("language", "%c", language);
  s.set_value("target", target);
  s.set_value("COM", link_name);
  s.set_value("phone", phone);
  s.set_value("Baud", speed_text);
  s.set_value("Upload115200", upload115200 ? "1" : "0");
  s.set_setting("log", "%d", log_mode);
}

std::string default_speed_text(std::string_view speed_text, char target_letter) {
  if (!speed_text.empty()) return std::string(speed_text);
  return format_text("%d", target_letter >= 'S' ? 115200 : 9600);
}

namespace {
int window_dimension(const Settings& settings, const char* key, int fallback) {
  long value = leading_integer(settings.get_setting(key, ""));
  return (value >= 200 && value <= 2000) ? static_cast<int>(value) : fallback;
}
}  // namespace

int initial_window_width(const Settings& s) { return window_dimension(s, "WindowWidth", 700); }
int initial_window_height(const Settings& s) { return window_dimension(s, "WindowHeight", 675); }

}  // namespace vexa
