#include "link/phone_book.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/atomic_file.h"

namespace vexa {

std::string phone_book_path(std::string_view program_directory, const char* xdg_config_home, const char* home) {
  const std::string beside(program_directory);
  std::string folder;
  if (::access(beside.c_str(), W_OK) == 0) folder = beside;
  else if (xdg_config_home && xdg_config_home[0] == '/') folder = std::string(xdg_config_home) + "/vexaterm";
  else if (home && home[0] != '\0') folder = std::string(home) + "/.config/vexaterm";
  else folder = beside;
  return folder + "/" + kPhoneBookFileName;
}

std::vector<std::string> parse_phone_book(std::string_view text) {
  std::vector<std::string> entries;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    // A longer line keeps its first part; the rest is not made an entry of its own.
    line = line.substr(0, kPhoneBookLineChars);
    line = line.substr(0, line.find_first_of("\r#"));
    std::string entry(line);
    bool blank = true;
    for (char& c : entry) {
      if (c == '\t') c = ' ';
      if (c != ' ') blank = false;
    }
    if (!blank) entries.push_back(std::move(entry));
  }
  return entries;
}

PhoneList phone_list(std::vector<std::string> entries, std::string_view phone_text) {
  PhoneList list{std::move(entries), -1};
  if (list.entries.empty()) return list;
  list.selected = 0;
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    const std::string& entry = list.entries[i];
    if (std::string_view(entry).substr(0, phone_text.size()) == phone_text) {
      list.selected = static_cast<int>(i);
      break;
    }
  }
  return list;
}

PhoneList load_phone_book_file(const std::string& path, std::string_view phone_text) {
  std::string text;
  if (!read_whole_file(path, text)) return {};
  return phone_list(parse_phone_book(text), phone_text);
}

bool ensure_phone_book_file(const std::string& path) {
  if (std::ifstream(path).is_open()) return true;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) return false;  // there but unreadable: never overwrite
  // The configuration folder may not exist yet on a fresh account.
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  return write_file_atomically(path, kPhoneBookHeader);
}

PhoneBook::PhoneBook(PhoneBookWindow& window, std::string path)
    : window_(window), path_(std::move(path)) {}

void PhoneBook::load_phone_book() {
  window_.set_phone_list(load_phone_book_file(path_, window_.phone_field_text()));
}

void PhoneBook::phone_book_tick(bool open) {
  if (editor_open_ && !window_.editor_exists()) {
    editor_open_ = false;
    load_phone_book();
  }
  if (!editor_open_ && open) {
    ensure_phone_book_file(path_);  // the editor is opened on the path even when this fails
    editor_open_ = window_.open_editor(path_);
  }
}

}  // namespace vexa
