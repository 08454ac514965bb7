#include "terminal/saved_text.h"

#include "terminal/ansi_reader.h"
#include "base/cp1252.h"

namespace vexa {

std::string saved_terminal_text(std::string_view board_text, bool ansi) {
  std::string visible = ansi ? AnsiReader().strip(board_text) : std::string(board_text);
  std::string lines;
  lines.reserve(visible.size());
  for (std::size_t i = 0; i < visible.size(); ++i) {
    if (visible[i] == '\r' && i + 1 < visible.size() && visible[i + 1] == '\n') continue;
    lines.push_back(visible[i] == '\r' ? '\n' : visible[i]);
  }
  return cp1252_to_utf8(lines);
}

}  // namespace vexa
