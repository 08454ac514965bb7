#pragma once
// Typed characters straight to the link's port.
#include <string_view>

#include "terminal/keyboard.h"

namespace vexa {

class SerialLink;

// The keystroke writes of the link, as the command-line terminal sends them. (The desktop
// session's own also show each keystroke in the hex display.)
class LinkKeys final : public KeyboardLink {
 public:
  explicit LinkKeys(SerialLink& port) : port_(port) {}
  bool write_char(unsigned char c) override;
  bool write_text(std::string_view bytes) override;

 private:
  SerialLink& port_;
};

}  // namespace vexa
