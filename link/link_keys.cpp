#include "link/link_keys.h"

#include "link/serial_link.h"

namespace vexa {

bool LinkKeys::write_char(unsigned char c) { return port_.write_char(static_cast<char>(c)); }

bool LinkKeys::write_text(std::string_view bytes) { return port_.write_text(bytes); }

}  // namespace vexa
