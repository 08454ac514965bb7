#include "config/board_identity.h"

#include <algorithm>

#include "base/text_format.h"
#include "config/configuration.h"

namespace vexa {
namespace {

bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_ascii_alnum(char c) { return is_ascii_letter(c) || (c >= '0' && c <= '9'); }

}  // namespace

std::optional<BoardIdentityData> parse_identity_line(std::string_view line) {
  std::size_t name_length = 0;
  while (name_length < line.size() && is_ascii_alnum(line[name_length])) ++name_length;
  if (name_length < 1 || name_length > kBoardNameChars) return std::nullopt;
  if (name_length >= line.size() || line[name_length] != ' ') return std::nullopt;

  std::size_t at = name_length + 1;
  if (at >= line.size() || !is_ascii_letter(line[at])) return std::nullopt;
  char type_letter = '2';
  if (line[at] == 'v') {
    ++at;
  } else {
    type_letter = line[at];
    if (line.substr(at + 1, 2) != " v") return std::nullopt;
    at += 3;
  }
  const long number = leading_integer(line.substr(std::min(at, line.size())));
  if (number < kMinFirmwareVersion || number > kMaxFirmwareVersion) return std::nullopt;

  BoardIdentityData identity;
  identity.line = limited(line, kIdentityLineChars);
  identity.name = std::string(line.substr(0, name_length));
  identity.type_letter = type_letter;
  identity.firmware_version = static_cast<int>(number);
  return identity;
}

std::string identity_line_for(std::string_view product_name, char type_letter, int version) {
  return limited(format_text("%.*s %c v%d", static_cast<int>(product_name.size()),
                             product_name.data(), type_letter, version),
                 kIdentityLineChars);
}

BoardIdentity::BoardIdentity(Configuration& configuration, BoardIdentityData initial)
    : configuration_(configuration), identity_(std::move(initial)) {}

bool BoardIdentity::accept_identity(std::string_view line) {
  std::optional<BoardIdentityData> parsed = parse_identity_line(line);
  if (!parsed) return false;
  configuration_.reset_configuration();
  std::vector<TargetChangeListener*> listeners;
  {
    std::lock_guard lock(mutex_);
    identity_ = *parsed;
    listeners = listeners_;
  }
  for (TargetChangeListener* listener : listeners) listener->target_changed(*parsed);
  return true;
}

void BoardIdentity::adopt_loader_identity(char type_letter, std::string_view line) {
  BoardIdentityData changed;
  std::vector<TargetChangeListener*> listeners;
  {
    std::lock_guard lock(mutex_);
    identity_.type_letter = type_letter;
    identity_.line = limited(line, kIdentityLineChars);
    changed = identity_;
    listeners = listeners_;
  }
  for (TargetChangeListener* listener : listeners) listener->loader_identity(changed);
}

BoardIdentityData BoardIdentity::current() const {
  std::lock_guard lock(mutex_);
  return identity_;
}

std::string BoardIdentity::line() const {
  std::lock_guard lock(mutex_);
  return identity_.line;
}

char BoardIdentity::type_letter() const {
  std::lock_guard lock(mutex_);
  return identity_.type_letter;
}

int BoardIdentity::firmware_version() const {
  std::lock_guard lock(mutex_);
  return identity_.firmware_version;
}

void BoardIdentity::add_listener(TargetChangeListener* listener) {
  if (!listener) return;
  std::lock_guard lock(mutex_);
  if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
    listeners_.push_back(listener);
}

void BoardIdentity::remove_listener(TargetChangeListener* listener) {
  std::lock_guard lock(mutex_);
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

}  // namespace vexa
