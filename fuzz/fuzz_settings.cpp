// The settings reader against arbitrary file contents: whatever it read writes back and reads
// again to the same values.

#include "base/settings.h"
#include "fuzz/fuzz_support.h"
#include "platform/atomic_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const vexa::fuzz::ScratchFile file("vexa_fuzz_settings", ".txt");
  vexa::fuzz::check(vexa::write_file_atomically(file.path, std::string(vexa::fuzz::text_of(data, size))));
  vexa::Settings settings;
  settings.read_settings(file.path);
  const std::string first = settings.settings_text();
  vexa::write_file_atomically(file.path, first);
  vexa::Settings again;
  again.read_settings(file.path);
  vexa::fuzz::check(again.settings_text() == first);
  return 0;
}
