#include <iostream>

#include "base/identity.h"
#include "cli/cli_app.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vexa::cli::run(args, std::cout, std::cerr, vexa::running_program_path(argc > 0 ? argv[0] : ""));
}
