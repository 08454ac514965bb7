#pragma once
// A temporary directory for one test, removed with everything in it afterwards.
#include <string>

namespace vexa::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Writes a file in the directory and returns its path.
  std::string write(const std::string& name, const std::string& text) const;
  // Reads a file; empty when it does not exist.
  static std::string read(const std::string& path);
  static bool exists(const std::string& path);

 private:
  std::string path_;
};

}  // namespace vexa::test
