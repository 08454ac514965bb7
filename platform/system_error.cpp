#include "platform/system_error.h"

#include <cstring>

namespace vexa {

std::string system_error_text(int code) {
  char buffer[256];
  // GNU strerror_r returns the text (possibly a static one) rather than filling the buffer.
  const char* text = ::strerror_r(code, buffer, sizeof buffer);
  return text ? std::string(text) : std::string();
}

}  // namespace vexa
