#pragma once
// The terminal's text as a file on this computer: UTF-8 with LF line ends, ANSI sequences taken
// out when the view showed them as colour, so the file reads as the window did.
#include <string>
#include <string_view>

namespace vexa {

std::string saved_terminal_text(std::string_view board_text, bool ansi);

}  // namespace vexa
