#pragma once
// The firmware file the next download takes (written on the window thread by the file choice
// and the recent entries, read by the worker when it starts) and the two most recent files
// that the Tools menu offers as items 705 and 706.
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

inline constexpr std::size_t kFirmwarePathChars = 300;
inline constexpr std::size_t kRecentMenuTextChars = 500;

struct FirmwareFile {
  std::string path;   // full path
  std::string title;  // file name without its directory
  bool operator==(const FirmwareFile&) const = default;
};

// One Tools menu item for a recent file: its id, its text, and the item it is inserted before
// when the menu does not have it yet.
struct RecentMenuItem {
  int id = 0;
  std::string text;
  int insert_before = 0;
  bool operator==(const RecentMenuItem&) const = default;
};

class FirmwareSelection {
 public:
  // The chosen file becomes the current one (the file dialog's result).
  void choose(std::string_view path, std::string_view title);
  FirmwareFile current() const;

  // 705 (index 0) or 706 (index 1): the recent entry becomes the current file. False when the
  // entry is empty (then nothing changes).
  bool take_recent(int index);

  // The worker's step when it opened the current file: a path that is neither entry moves
  // entry 1 to entry 2 and becomes entry 1. True when the list changed (the menu then needs
  // recent_menu_items()). download_text is the menu's "Download Firmware" text.
  bool remember(const FirmwareFile& file, std::string_view download_text);

  // The menu items for the non-empty entries, in the order to apply them: 705 (inserted before
  // 702), then 706 (inserted before 705). Each text is "<download text>: <path>".
  std::vector<RecentMenuItem> recent_menu_items() const;
  FirmwareFile recent(int index) const;

 private:
  mutable std::mutex mutex_;
  FirmwareFile current_;
  FirmwareFile recent_[2];
  std::string menu_text_[2];
};

// The text after the last '.' (at most 200 characters) in lower case; empty without a '.'.
std::string firmware_extension(std::string_view path);

}  // namespace vexa
