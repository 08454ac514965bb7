#include "cli/cli_app.h"

#include <ostream>

#include "app/identity.h"

namespace vexa::cli {

std::string usage_text() {
  return "Usage: vexacli [options] [command ...]\n"
         "\n"
         "VexaTerm without windows: talks to a VexaLog board from scripts.\n"
         "\n"
         "Options:\n"
         "  --help       show this text\n"
         "  --version    show the product name and version\n";
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    out << usage_text();
    return 0;
  }
  if (args[0] == "--version") {
    out << kFamilyName << " " << kProgramVersion << "\n";
    return 0;
  }
  err << "vexacli: unknown option or command '" << args[0] << "' (see vexacli --help)\n";
  return 2;
}

}  // namespace vexa::cli
