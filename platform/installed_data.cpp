#include "platform/installed_data.h"

#include <sys/stat.h>

#ifndef VEXA_DATA_DIR
#define VEXA_DATA_DIR "/usr/local/share/vexaterm"
#endif

namespace vexa {

namespace {

bool is_file(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string installed_data_dir() { return VEXA_DATA_DIR; }

std::string data_file_path(const std::string& directory, std::string_view name) {
  const std::string local = directory + "/" + std::string(name);
  if (is_file(local)) return local;
  const std::string installed = installed_data_dir() + "/" + std::string(name);
  return is_file(installed) ? installed : local;
}

}  // namespace vexa
