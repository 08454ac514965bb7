#pragma once
// The compile tab's output pane text: everything the build prints, with its line ends folded
// to CR LF and control characters in caret notation, up to a fixed size.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexa {

// Appends stop once the text holds this many characters, until it is cleared.
inline constexpr std::size_t kOutputTextLimit = 19981;

class OutputText {
 public:
  // Character by character: a NUL ends the text; a CR becomes CR LF unless the character
  // before it was a CR (then it is dropped); an LF right after a CR is dropped, any other LF
  // becomes CR LF; codes 1 to 31 other than TAB become '^' and the character 64 higher.
  void append(std::string_view text);
  void clear();

  const std::string& text() const { return text_; }
  // Changes with every append that changed the text and with clear().
  std::uint64_t version() const { return version_; }

 private:
  std::string text_;
  bool last_was_cr_ = false;
  std::uint64_t version_ = 0;
};

}  // namespace vexa
