#pragma once
// The page-programming applet that the SAM-BA download places in the chip's RAM: machine code
// assembled at build time from download/applet/samba_applet.S, padded to 1104 bytes.
#include <string_view>

namespace vexa {

std::string_view samba_applet();

}  // namespace vexa
