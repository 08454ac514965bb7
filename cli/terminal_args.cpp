#include "cli/terminal_args.h"

namespace vexa::cli {

TerminalArgs parse_terminal_args(const std::vector<std::string>& args) {
  TerminalArgs result;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool has_value = false;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      has_value = true;
    }
    const bool wants_value = name == "--line" || name == "--enter" || name == "--backspace";
    if (wants_value && !has_value) {
      if (i + 1 >= args.size()) {
        result.error = name + " needs a value";
        return result;
      }
      value = args[++i];
    } else if (!wants_value && has_value) {
      result.error = name + " takes no value";
      return result;
    }
    if (name == "--line") {
      result.line = parse_line_settings(value);
      if (!result.line) result.error = "--line wants a frame such as 8N1, 7E1 or e,7,1,rtscts, not '" + value + "'";
    } else if (name == "--enter") {
      const auto mode = parse_enter_mode(value);
      if (mode) result.keys.enter = *mode;
      else result.error = "--enter wants cr, lf or crlf, not '" + value + "'";
    } else if (name == "--backspace") {
      const auto mode = parse_backspace_mode(value);
      if (mode) result.keys.backspace = *mode;
      else result.error = "--backspace wants bs or del, not '" + value + "'";
    } else if (name == "--echo") {
      result.keys.local_echo = true;
    } else if (name == "--hex") {
      result.hex = true;
    } else if (name == "--timestamps") {
      result.stamps = true;
    } else {
      result.error = "unknown option '" + name + "'";
    }
    if (!result.error.empty()) return result;
  }
  return result;
}

}  // namespace vexa::cli
