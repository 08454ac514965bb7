#pragma once
// vexacli: the core without windows, for scripts, production lines and tests.
#include <iosfwd>
#include <string>
#include <vector>

namespace vexa::cli {

// Runs vexacli with its arguments (without the program name); returns the exit status.
// program_path is the running program's file: its name is the product name ("vexacli" keeps
// the family's).
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const std::string& program_path = "vexacli");

std::string usage_text();

}  // namespace vexa::cli
