#include "download/firmware_selection.h"

#include <cctype>

#include "base/command_ids.h"
#include "base/text_format.h"

namespace vexa {

namespace {
constexpr std::size_t kExtensionChars = 200;
}

void FirmwareSelection::choose(std::string_view path, std::string_view title) {
  std::lock_guard lock(mutex_);
  current_ = {limited(path, kFirmwarePathChars), limited(title, kFirmwarePathChars)};
}

FirmwareFile FirmwareSelection::current() const {
  std::lock_guard lock(mutex_);
  return current_;
}

bool FirmwareSelection::take_recent(int index) {
  if (index < 0 || index > 1) return false;
  std::lock_guard lock(mutex_);
  if (recent_[index].path.empty()) return false;
  current_ = recent_[index];
  return true;
}

bool FirmwareSelection::remember(const FirmwareFile& file, std::string_view download_text) {
  std::lock_guard lock(mutex_);
  if (file.path == recent_[0].path || file.path == recent_[1].path) return false;
  recent_[1] = recent_[0];
  recent_[0] = file;
  for (int i = 0; i < 2; ++i) {
    menu_text_[i] = recent_[i].path.empty() ? std::string()
                                            : std::string(download_text) + ": " + recent_[i].path;
    limit_text(menu_text_[i], kRecentMenuTextChars);
  }
  return true;
}

std::vector<RecentMenuItem> FirmwareSelection::recent_menu_items() const {
  std::lock_guard lock(mutex_);
  std::vector<RecentMenuItem> items;
  if (recent_[0].path.empty()) return items;
  items.push_back({cmd::kRecentFirmware1, menu_text_[0], cmd::kDownloadFile});
  if (!recent_[1].path.empty())
    items.push_back({cmd::kRecentFirmware2, menu_text_[1], cmd::kRecentFirmware1});
  return items;
}

FirmwareFile FirmwareSelection::recent(int index) const {
  std::lock_guard lock(mutex_);
  return index >= 0 && index < 2 ? recent_[index] : FirmwareFile{};
}

std::string firmware_extension(std::string_view path) {
  std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string extension = limited(path.substr(dot + 1), kExtensionChars);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

}  // namespace vexa
