# Turns the applet's raw binary into a C++ source holding exactly the bytes the download sends:
# the binary, then zeros up to SIZE. Fails when the code has grown past SIZE.
#   cmake -DINPUT=applet.bin -DOUTPUT=samba_applet_data.cpp -DSIZE=1104 -P pad_applet.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR bytes "${digits} / 2")
if(bytes GREATER SIZE)
  message(FATAL_ERROR "the SAM-BA applet is ${bytes} bytes, more than ${SIZE}")
endif()
math(EXPR pad "${SIZE} - ${bytes}")
string(REPEAT "00" ${pad} padding)
string(APPEND hex "${padding}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," array "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " array "${array}")
file(WRITE ${OUTPUT}
"// Generated from download/applet/samba_applet.S: do not edit.\n"
"#include \"download/samba_applet.h\"\n\n"
"namespace vexa {\n\n"
"namespace {\n"
"const unsigned char kApplet[${SIZE}] = {\n    ${array}\n};\n"
"}  // namespace\n\n"
"std::string_view samba_applet() {\n"
"  return std::string_view(reinterpret_cast<const char*>(kApplet), sizeof kApplet);\n"
"}\n\n"
"}  // namespace vexa\n")
