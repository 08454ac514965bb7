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
