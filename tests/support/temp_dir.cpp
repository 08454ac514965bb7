#include "support/temp_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vexa::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vexatest-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::write(const std::string& name, const std::string& text) const {
  std::string p = file(name);
  std::ofstream(p, std::ios::binary) << text;
  return p;
}

std::string TempDir::read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TempDir::exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace vexa::test
