#pragma once
// The program's identity: its product name and the file names derived from it.
#include <string>
#include <string_view>

namespace vexa {

inline constexpr int kProgramVersion = 1404;
inline constexpr const char* kFamilyName = "VexaLog";
inline constexpr std::size_t kIdentityNameChars = 29;  // 30-character fields
inline constexpr std::size_t kPathChars = 499;         // 500-character paths

struct Identity {
  std::string product_name = kFamilyName;
  std::string short_name = "vexalog";
  std::string data_viewer_name = "VexaData";
  std::string settings_file_name = "VexaTerm.ini";
  std::string log_file_name = "VexaTerm.log";
  std::string analog_data_file_name = "vexalog.adc";
  std::string settings_path;  // "<current dir>/<settings file name>"
  std::string log_path;       // "<current dir>/<log file name>"
  std::string target_e, target_f, target_s;  // "VexaLog E v1404" ...

  bool is_family_product() const { return product_name == kFamilyName; }
};

// Product name from the program's command line (its first word or the program file path):
// the base name cut at the first '.', used when it is 3 to 19 characters long and does not
// start with "vexa" in any case.
std::string product_name_from_command_line(std::string_view command_line);

// The whole identity for a command line, with paths formed in current_directory.
Identity make_identity(std::string_view command_line, std::string_view current_directory);

// The running program file: /proc/self/exe, argv0 as a fallback.
std::string running_program_path(std::string_view argv0);

// Directory of a program file path: cut at the last '/' or '\' (the separator removed), or
// right after a ':' met first from the end; every '\' then becomes '/'.
std::string program_directory(std::string_view program_path);

// The program directory without a final "/term", then without a final "/bin".
std::string installation_directory(std::string_view program_path);

// The process's current directory (at most 500 characters), "." when it cannot be read.
std::string current_directory();

}  // namespace vexa
