#include "terminal/hex_dump.h"

#include <cctype>
#include <cstdio>

#include "base/text_format.h"

namespace vexa {

namespace {

bool is_separator(char c) { return c == ' ' || c == '\t' || c == ','; }

}  // namespace

std::string format_hex_row(ByteDirection direction, std::uint64_t offset, std::string_view bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  char head[24];
  std::snprintf(head, sizeof head, "%c %08llX ", direction == ByteDirection::received ? '<' : '>',
                static_cast<unsigned long long>(offset));
  std::string row = head;
  for (std::size_t i = 0; i < kHexRowBytes; ++i) {
    if (i == 8) row += ' ';
    if (i < bytes.size()) {
      const auto b = static_cast<unsigned char>(bytes[i]);
      row += ' ';
      row += kDigits[b >> 4];
      row += kDigits[b & 15];
    } else {
      row += "   ";
    }
  }
  row += "  ";
  // Only printable ASCII beside the hex, so every row is as wide as the next.
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    row += b >= 0x20 && b < 0x7F ? c : '.';
  }
  return row;
}

std::string HexDump::finish_row() {
  if (row_.empty()) return {};
  auto& offset = offsets_[direction_ == ByteDirection::sent];
  std::string text = format_hex_row(direction_, offset, row_) + "\r\n";
  offset += row_.size();
  row_.clear();
  return text;
}

std::string HexDump::add(ByteDirection direction, std::string_view bytes) {
  std::string rows;
  if (bytes.empty()) return rows;
  if (direction != direction_) rows += finish_row();
  direction_ = direction;
  for (char c : bytes) {
    row_ += c;
    if (row_.size() == kHexRowBytes) rows += finish_row();
  }
  return rows;
}

std::string HexDump::open_row() const {
  if (row_.empty()) return {};
  return format_hex_row(direction_, offsets_[direction_ == ByteDirection::sent], row_);
}

void HexDump::reset() {
  row_.clear();
  offsets_[0] = offsets_[1] = 0;
  direction_ = ByteDirection::received;
}

HexParse parse_hex_bytes(std::string_view text) {
  HexParse result;
  std::size_t i = 0;
  while (i < text.size()) {
    if (is_separator(text[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && !is_separator(text[end])) ++end;
    std::string_view piece = text.substr(i, end - i);
    i = end;
    std::string_view digits = piece;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.remove_prefix(2);
    bool hex = !digits.empty() && (digits.size() <= 2 || digits.size() % 2 == 0);
    for (char c : digits) hex = hex && hex_digit_value(c) >= 0;
    if (!hex) {
      result.ok = false;
      result.bad = std::string(piece);
      result.bytes.clear();
      return result;
    }
    if (digits.size() == 1) {
      result.bytes += static_cast<char>(hex_digit_value(digits[0]));
      continue;
    }
    for (std::size_t k = 0; k < digits.size(); k += 2)
      result.bytes += static_cast<char>(hex_digit_value(digits[k]) * 16 + hex_digit_value(digits[k + 1]));
  }
  return result;
}

}  // namespace vexa
