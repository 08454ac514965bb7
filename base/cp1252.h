#pragma once
// Board text is single-byte Windows-1252; the desktop and files speak UTF-8. These convert
// between the two so the terminal shows bytes 0x80-0xFF as the characters the board means and
// sends typed characters as the bytes the board expects.
#include <optional>
#include <string>
#include <string_view>

namespace vexa {

// The character a byte stands for. The five bytes Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for the control code of the same value, so every byte survives a
// round trip.
char32_t cp1252_to_unicode(unsigned char byte);

// The byte for a character, or nothing when Windows-1252 has no byte for it.
std::optional<unsigned char> unicode_to_cp1252(char32_t c);

// Every byte of a board text as UTF-8.
std::string cp1252_to_utf8(std::string_view bytes);

// The first max_chars characters of a UTF-8 text (a character is a lead byte with its
// continuation bytes).
std::string utf8_prefix(std::string_view utf8, std::size_t max_chars);

// Typed UTF-8 as it comes in, a read at a time: a character split between two reads is
// completed by the next. Each malformed byte stands as U+FFFD, which has no board byte.
class Utf8Stream {
 public:
  // The characters the bytes complete.
  std::u32string feed(std::string_view bytes);

 private:
  std::string pending_;  // the start of a character still waiting for its continuation bytes
};

// A UTF-8 text as board bytes; characters without a byte and malformed sequences become
// replacement (one per character or per malformed byte).
std::string utf8_to_cp1252(std::string_view utf8, char replacement = '?');

}  // namespace vexa
