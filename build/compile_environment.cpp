#include "build/compile_environment.h"

#include "base/settings.h"
#include "base/text_format.h"

namespace vexa {

std::string compile_env_key(int n) { return "CompileEnv" + std::to_string(n); }

std::string initial_environment_text(const Settings& settings, std::string_view installation_dir) {
  std::string text;
  for (int n = 1; n <= kCompileEnvSettings; ++n) {
    std::string value = settings.get_setting(compile_env_key(n), "");
    if (!value.empty()) text += value + "\r\n";
  }
  const std::string dir(installation_dir);
  if (text.find("PATH=") == std::string::npos) text += "PATH=" + dir + "/firmware/arm/bin:/usr/bin:/bin\r\n";
  if (text.find("ARMCC=") == std::string::npos) text += "ARMCC=\"" + dir + "/firmware/arm\"\r\n";
  if (text.find("CAVIARCC=") == std::string::npos) text += "CAVIARCC=\"" + dir + "/firmware/avr\"\r\n";
  limit_text(text, kEnvironmentTextChars);
  return text;
}

std::vector<std::string> split_environment_text(std::string_view text) {
  std::vector<std::string> entries;
  std::size_t i = 0;
  while (entries.size() < static_cast<std::size_t>(kCompileEnvSettings)) {
    while (i < text.size() && static_cast<unsigned char>(text[i]) >= 1 && static_cast<unsigned char>(text[i]) <= 32)
      ++i;
    if (i >= text.size() || text[i] == '\0') break;
    std::size_t end = text.find_first_of(std::string_view("\r\n\0", 3), i);
    if (end == std::string_view::npos) end = text.size();
    entries.emplace_back(text.substr(i, end - i));
    i = end;
  }
  return entries;
}

void store_environment_text(Settings& settings, std::string_view text) {
  const std::vector<std::string> entries = split_environment_text(text);
  for (int n = 1; n <= kCompileEnvSettings; ++n) {
    const std::size_t index = static_cast<std::size_t>(n - 1);
    settings.set_value(compile_env_key(n), index < entries.size() ? entries[index] : std::string());
  }
}

std::vector<std::string> environment_lines(const Settings& settings) {
  std::vector<std::string> lines;
  std::size_t used = 1;  // the empty string that ends the block
  for (int n = 1; n <= kCompileEnvSettings; ++n) {
    std::string value = settings.get_setting(compile_env_key(n), "");
    if (value.empty() || used + value.size() + 1 > kEnvironmentBlockBytes) continue;
    used += value.size() + 1;
    lines.push_back(std::move(value));
  }
  return lines;
}

}  // namespace vexa
