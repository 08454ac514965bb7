// Runs a fuzz target over files and folders of inputs, without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path path(argv[i]);
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
        if (entry.is_regular_file()) {
          replay(entry.path());
          ++count;
        }
    } else if (std::filesystem::exists(path, error)) {
      replay(path);
      ++count;
    } else {
      std::fprintf(stderr, "no such input: %s\n", argv[i]);
      return 1;
    }
  }
  // The empty input always runs: it is the edge every parser must survive.
  LLVMFuzzerTestOneInput(nullptr, 0);
  std::printf("%d inputs replayed\n", count);
  return 0;
}
