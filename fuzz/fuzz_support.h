#pragma once
// What the fuzz targets share: the check that stops the run on a broken property, and a reader
// that takes choices and text from the fuzzer's bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <unistd.h>

namespace vexa::fuzz {

inline void check(bool ok) {
  if (!ok) __builtin_trap();
}

// Where targets that go through files keep them: /dev/shm when there is one, since each save
// syncs its file and a sync to disk takes milliseconds.
inline std::string scratch_folder() {
  return ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
}

// A file of this process's own in the scratch folder ("<name>_<pid><suffix>"), removed when the
// object goes: kept as a function's static, at the end of a run that ends normally.
class ScratchFile {
 public:
  ScratchFile(std::string_view name, std::string_view suffix = "")
      : path_(scratch_folder() + "/" + std::string(name) + "_" + std::to_string(::getpid()) + std::string(suffix)) {}
  ~ScratchFile() { ::unlink(path_.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : text_(reinterpret_cast<const char*>(data), size) {}
  // One byte for a choice (0 once the input is used up).
  unsigned char take() {
    if (text_.empty()) return 0;
    const auto c = static_cast<unsigned char>(text_[0]);
    text_.remove_prefix(1);
    return c;
  }
  std::string_view rest() const { return text_; }

 private:
  std::string_view text_;
};

}  // namespace vexa::fuzz
