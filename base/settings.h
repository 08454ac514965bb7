#pragma once
// The settings table: named text values with built-in defaults, read from and written to the
// settings file as 'name=value' lines.
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

inline constexpr std::size_t kSettingValueChars = 499;   // char[500] values
inline constexpr std::size_t kSettingFormatChars = 1999; // set_setting's 2000-character buffer

struct SettingDefinition {
  const char* name;
  const char* default_value;
};

// The table in file order.
const std::vector<SettingDefinition>& setting_definitions();

class Settings {
 public:
  Settings();

  // Current value, or fallback for a name that is not in the table.
  std::string get_setting(std::string_view name, std::string_view fallback) const;
  std::optional<std::string> lookup(std::string_view name) const;
  // printf-formats the value (2000-character buffer), keeps at most 499 characters.
  // Returns false (and changes nothing) for an unknown name.
  bool set_setting(std::string_view name, const char* format, ...) __attribute__((format(printf, 3, 4)));
  bool set_value(std::string_view name, std::string_view value);
  void reset_settings();

  // Resets, then applies the 'name=value' lines of the file; false when it cannot be opened.
  bool read_settings(const std::string& path);
  // Writes the values that differ from their defaults, in table order; false when the file
  // cannot be written (the caller ignores it: the changes are lost).
  bool write_settings(const std::string& path) const;
  // As write_settings, for the exit report: nothing when written, else the system's reason
  // ("Permission denied"), to be printed with the text `VtSetNoWr` (path, reason).
  std::optional<std::string> save_settings(const std::string& path) const;
  // The file text that write_settings would write.
  std::string settings_text() const;

  // The debug query: false when `debug` is empty or "0"; letter 0 asks whether debug is on at
  // all, any other letter whether the value contains it.
  bool debug(char letter = 0) const;
  // The reduced compile, download and terminal variant (`armcdt`).
  bool reduced_variant() const;

 private:
  struct Entry {
    const char* name;
    std::string value;
    std::string default_value;
  };
  Entry* find(std::string_view name);
  const Entry* find(std::string_view name) const;

  mutable std::mutex mutex_;  // the window thread writes, worker threads read
  std::vector<Entry> entries_;
};

// The program-wide values taken from the settings after reading and stored back at exit.
struct SessionValues {
  char language = 'e';
  std::string target;      // board identity text as read (applied only when it parses)
  std::string link_name;   // "COM%d", "tcp/ip" or a device path
  std::string speed_text;
  std::string phone;
  bool upload115200 = true;
  int log_mode = 0;
  long link_speed = 0;

  static SessionValues from_settings(const Settings& settings);
  void store_into(Settings& settings) const;
};

// The speed text when `Baud` is empty: 115200 for targets 'S' and later letters, else 9600.
std::string default_speed_text(std::string_view speed_text, char target_letter);

// Main window size at creation: the setting when it lies in 200..2000, else 700 / 675.
int initial_window_width(const Settings& settings);
int initial_window_height(const Settings& settings);

}  // namespace vexa
