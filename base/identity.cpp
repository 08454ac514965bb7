#include "base/identity.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>

#include "base/text_format.h"

namespace vexa {

std::string product_name_from_command_line(std::string_view command_line) {
  std::string_view name = command_line;
  if (auto slash = name.rfind('\\'); slash != std::string_view::npos) name.remove_prefix(slash + 1);
  if (auto slash = name.rfind('/'); slash != std::string_view::npos) name.remove_prefix(slash + 1);
  if (auto dot = name.find('.'); dot != std::string_view::npos) name = name.substr(0, dot);
  std::string head;
  for (char c : name.substr(0, 4)) head += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name.size() > 2 && name.size() < 20 && head != "vexa") return std::string(name);
  return kFamilyName;
}

Identity make_identity(std::string_view command_line, std::string_view current_dir) {
  Identity id;
  id.product_name = limited(product_name_from_command_line(command_line), kIdentityNameChars);
  id.short_name.clear();
  for (char c : id.product_name) id.short_name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!id.is_family_product()) {
    const char* p = id.product_name.c_str();
    id.data_viewer_name = format_text_limited(kIdentityNameChars, "%sData", p);
    id.settings_file_name = format_text_limited(kIdentityNameChars, "%s.ini", p);
    id.log_file_name = format_text_limited(kIdentityNameChars, "%s.log", p);
    id.analog_data_file_name = format_text_limited(kIdentityNameChars, "%s.adc", id.short_name.c_str());
  }
  std::string dir = limited(current_dir, kPathChars);
  id.settings_path = format_text_limited(kPathChars, "%s/%s", dir.c_str(), id.settings_file_name.c_str());
  id.log_path = format_text_limited(kPathChars, "%s/%s", dir.c_str(), id.log_file_name.c_str());
  const char* p = id.product_name.c_str();
  id.target_e = format_text_limited(kIdentityNameChars, "%s E v%d", p, kProgramVersion);
  id.target_f = format_text_limited(kIdentityNameChars, "%s F v%d", p, kProgramVersion);
  id.target_s = format_text_limited(kIdentityNameChars, "%s S v%d", p, kProgramVersion);
  return id;
}

std::string running_program_path(std::string_view argv0) {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
  return std::string(argv0);
}

std::string program_directory(std::string_view program_path) {
  std::string path = limited(program_path, kPathChars);
  for (std::size_t i = path.size(); i-- > 0;) {
    if (path[i] == '/' || path[i] == '\\') {
      path.resize(i);
      break;
    }
    if (path[i] == ':') {
      path.resize(i + 1);
      break;
    }
  }
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

namespace {
void cut_final_component(std::string& path, std::string_view component) {
  auto at = path.find(component);
  if (at != std::string::npos && at + component.size() == path.size()) path.resize(at);
}
}  // namespace

std::string installation_directory(std::string_view program_path) {
  std::string dir = program_directory(program_path);
  cut_final_component(dir, "/term");
  cut_final_component(dir, "/bin");
  return dir;
}

std::string current_directory() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return ".";
  return limited(buffer, kPathChars);
}

}  // namespace vexa
