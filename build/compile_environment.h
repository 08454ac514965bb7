#pragma once
// The build's environment: the text the tab shows (one 'NAME=value' definition per line, lines
// ended by CR LF), kept in the settings CompileEnv1 .. CompileEnv9, and the lines the build
// process gets, which are all it sees of an environment.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

class Settings;

inline constexpr int kCompileEnvSettings = 9;
inline constexpr std::size_t kEnvironmentTextChars = 1999;  // char[2000]
// The block the lines are copied into, each with its NUL, ending with an empty string.
inline constexpr std::size_t kEnvironmentBlockBytes = 2000;

// "CompileEnv1" .. "CompileEnv9" (n from 1).
std::string compile_env_key(int n);

// The text at tab creation: each non-empty CompileEnv setting as a line, then the PATH, ARMCC
// and CAVIARCC lines the text lacks, made from the installation directory.
std::string initial_environment_text(const Settings& settings, std::string_view installation_dir);

// The entries of an environment text: before each entry every character with code 1 to 32 is
// skipped (so blank lines and leading blanks vanish); an entry runs to the next CR or LF. At
// most nine.
std::vector<std::string> split_environment_text(std::string_view text);

// Stores the entries as CompileEnv1 .. CompileEnv9, all nine each time (empty once the text is
// used up); entries after the ninth are dropped.
void store_environment_text(Settings& settings, std::string_view text);

// The non-empty CompileEnv settings in order: the build's whole environment. A line that no
// longer fits the environment block is left out.
std::vector<std::string> environment_lines(const Settings& settings);

}  // namespace vexa
