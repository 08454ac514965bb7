#pragma once
// The phone book: a text file of numbers (or "address port" entries) that fills the main
// window's phone number field, edited in a separate editor window. Runs on the window thread.
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

inline constexpr const char* kPhoneBookFileName = "phonebook.txt";
inline constexpr std::size_t kPhoneBookLineChars = 999;
inline constexpr const char* kPhoneBookHeader =
    "# phonenumber comment\n"
    "# ip-number port comment\n";

// The one place of the phone book: beside the program when that folder is writable (a build or
// a portable copy), otherwise in the user's configuration folder, $XDG_CONFIG_HOME/vexaterm,
// else ~/.config/vexaterm (an installed copy in /usr/bin). xdg_config_home and home are the
// environment's values, null when unset; an empty or relative XDG_CONFIG_HOME counts as unset,
// as the XDG rules say. Without any of them the program folder stays the place.
std::string phone_book_path(std::string_view program_directory, const char* xdg_config_home, const char* home);

// One entry per line with something but blanks in it, after cutting the line at
// kPhoneBookLineChars, at CR and at '#', tabs turned into blanks.
std::vector<std::string> parse_phone_book(std::string_view text);

struct PhoneList {
  std::vector<std::string> entries;
  int selected = -1;  // none
};

// The entries, selecting the first that begins with phone_text, else the first entry (none
// when there are no entries).
PhoneList phone_list(std::vector<std::string> entries, std::string_view phone_text);

// Reads the file; an unreadable or missing file gives no entries.
PhoneList load_phone_book_file(const std::string& path, std::string_view phone_text);

// Creates the file with its two header lines, and its folder, when they do not exist. False
// when it is missing and cannot be created, or exists but cannot be read (it is then left as
// it is).
bool ensure_phone_book_file(const std::string& path);

// The main window parts the phone book reads and sets, and the editor window.
class PhoneBookWindow {
 public:
  virtual ~PhoneBookWindow() = default;
  virtual std::string phone_field_text() = 0;
  virtual void set_phone_list(const PhoneList& list) = 0;
  // Opens the editor on the file; false when it cannot.
  virtual bool open_editor(const std::string& path) = 0;
  // The editor window opened last still exists.
  virtual bool editor_exists() = 0;
};

class PhoneBook {
 public:
  PhoneBook(PhoneBookWindow& window, std::string path);

  // Refills the phone number field from the file.
  void load_phone_book();
  // open: the phone book buttons (true) or the 100 ms timer (false). Reloads the field when
  // the editor has been closed; opens the editor (creating the file first) on a button.
  void phone_book_tick(bool open);

  const std::string& path() const { return path_; }
  bool editor_recorded() const { return editor_open_; }

 private:
  PhoneBookWindow& window_;
  const std::string path_;
  bool editor_open_ = false;
};

}  // namespace vexa
