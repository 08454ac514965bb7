#include "cli/start_settings.h"

#include <limits>

#include "base/settings.h"
#include "base/text_format.h"
#include "config/board_identity.h"

namespace vexa::cli {

void apply_start_settings(CommonOptions& options, const GivenOptions& given, std::string_view program_path) {
  const std::string dir = options.settings_dir.empty() ? current_directory() : options.settings_dir;
  options.identity = make_identity(program_path, dir);
  Settings settings;
  settings.read_settings(options.identity.settings_path);  // a missing file leaves the defaults
  const SessionValues values = SessionValues::from_settings(settings);
  options.language = given.language.value_or(values.language);
  options.log_mode = given.log_mode.value_or(values.log_mode);
  if (given.baud) {
    options.baud = given.baud;
    return;
  }
  // The board type the program starts with: --target, else the settings' target, else S.
  char letter = 'S';
  if (auto parsed = parse_identity_line(options.identity.target_s)) letter = parsed->type_letter;
  if (auto parsed = parse_identity_line(values.target)) letter = parsed->type_letter;
  if (auto parsed = parse_identity_line(options.target)) letter = parsed->type_letter;
  const std::string speed_text = default_speed_text(values.speed_text, letter);
  const long speed = leading_integer(speed_text);
  // A number too long for a speed must not reach the port as some other number.
  if (speed <= 0 || speed > std::numeric_limits<int>::max()) {
    options.bad_speed = speed_text;
    return;
  }
  options.baud = static_cast<int>(speed);
}

}  // namespace vexa::cli
