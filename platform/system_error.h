#pragma once
// The text of an errno code.
#include <string>

namespace vexa {

// Text of an errno code, as strerror gives it.
std::string system_error_text(int code);

}  // namespace vexa
