// The settings reader against arbitrary file contents.
#include <cstdint>
#include <string>

#include <unistd.h>

#include "base/settings.h"
#include "fuzz/fuzz_support.h"
#include "platform/atomic_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const vexa::fuzz::ScratchFile file("vexa_fuzz_settings", ".txt");
  const std::string& path = file.path();
  vexa::write_file_atomically(path, std::string(reinterpret_cast<const char*>(data), size));
  vexa::Settings settings;
  settings.read_settings(path);
  // Whatever was read must write back and read again to the same values.
  const std::string first = settings.settings_text();
  vexa::write_file_atomically(path, first);
  vexa::Settings again;
  again.read_settings(path);
  if (again.settings_text() != first) __builtin_trap();
  return 0;
}
