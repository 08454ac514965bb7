#pragma once
// vexacli: the core without windows, for scripts, production lines and tests.
#include <iosfwd>
#include <string>
#include <vector>

namespace vexa::cli {

// Runs vexacli with its arguments (without the program name); returns the exit status.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

std::string usage_text();

}  // namespace vexa::cli
