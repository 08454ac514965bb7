#include "base/cp1252.h"

#include <array>

namespace vexa {
namespace {

// 0x80-0x9F, the only range where Windows-1252 differs from Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one character at text[pos]; advances pos. Nothing for a malformed sequence (pos then
// moves by one byte).
std::optional<char32_t> next_utf8(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t extra = 0;
  char32_t c = 0;
  char32_t min = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, c = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, c = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, c = lead & 0x07, min = 0x10000;
  } else {
    ++pos;
    return std::nullopt;
  }
  if (pos + extra >= text.size()) {  // cut short by the end of the text
    ++pos;
    return std::nullopt;
  }
  for (std::size_t i = 1; i <= extra; ++i) {
    const auto b = static_cast<unsigned char>(text[pos + i]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return std::nullopt;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++pos;
    return std::nullopt;
  }
  pos += extra + 1;
  return c;
}

}  // namespace

char32_t cp1252_to_unicode(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

std::optional<unsigned char> unicode_to_cp1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == c) return static_cast<unsigned char>(0x80 + i);
  return std::nullopt;
}

std::string cp1252_to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char b : bytes) append_utf8(out, cp1252_to_unicode(static_cast<unsigned char>(b)));
  return out;
}

std::string utf8_to_cp1252(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto c = next_utf8(utf8, pos);
    const auto byte = c ? unicode_to_cp1252(*c) : std::nullopt;
    out += byte ? static_cast<char>(*byte) : replacement;
  }
  return out;
}

std::u32string Utf8Stream::feed(std::string_view bytes) {
  pending_.append(bytes);
  std::u32string out;
  std::size_t pos = 0;
  while (pos < pending_.size()) {
    // A sequence that is whole so far but cut by the end of the read waits for the next one.
    const auto lead = static_cast<unsigned char>(pending_[pos]);
    const std::size_t length = (lead & 0xF8) == 0xF0 ? 4 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xE0) == 0xC0 ? 2 : 1;
    if (pos + length > pending_.size()) {
      bool whole_so_far = true;
      for (std::size_t i = pos + 1; i < pending_.size(); ++i)
        whole_so_far = whole_so_far && (static_cast<unsigned char>(pending_[i]) & 0xC0) == 0x80;
      if (whole_so_far) break;
    }
    out += next_utf8(pending_, pos).value_or(U'\uFFFD');
  }
  pending_.erase(0, pos);
  return out;
}

std::string utf8_prefix(std::string_view utf8, std::size_t max_chars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) continue;  // continuation byte
    if (chars++ == max_chars) return std::string(utf8.substr(0, i));
  }
  return std::string(utf8);
}

}  // namespace vexa
