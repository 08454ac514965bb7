#include "config/config_file_format.h"

#include <algorithm>
#include <cctype>

#include "app/capture_log.h"
#include "app/text_format.h"

namespace vexa {

std::string dialog_path(std::string_view chosen) {
  std::string path = limited(chosen, kFileDialogChars);
  for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return path;
}

std::string save_path(std::string_view path) {
  std::string out(path);
  if (out.find('.') == std::string::npos) out += ".txt";
  return out;
}

std::string file_name_part(std::string_view path) {
  std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string configuration_header(std::string_view identity_line, const std::tm& local) {
  return format_text("# Configuration %.*s %s", static_cast<int>(identity_line.size()),
                     identity_line.data(), log_stamp(local).c_str());
}

void for_each_file_piece(std::string_view text, const std::function<void(std::string_view)>& piece) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    std::size_t line_end = end == std::string_view::npos ? text.size() : end + 1;
    std::size_t length = std::min(line_end - at, kFilePieceChars);
    std::string_view raw = text.substr(at, length);
    std::size_t nul = raw.find('\0');
    piece(nul == std::string_view::npos ? raw : raw.substr(0, nul));
    at += length;
  }
}

}  // namespace vexa
