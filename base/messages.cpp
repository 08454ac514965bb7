#include "base/messages.h"

#include <cctype>
#include <cstring>

#include "base/text_format.h"
#include "data/message_catalog.h"
#include "data/message_supplements.h"

namespace vexa {

std::optional<std::string_view> find_text(std::string_view key, char letter) {
  if (key.size() > kMessageKeyChars) key = key.substr(0, kMessageKeyChars);
  std::string prefix(key);
  prefix += static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  prefix += '_';
  auto search = [&prefix](const char* const* table) -> std::optional<std::string_view> {
    for (const char* const* entry = table; **entry != '\0'; ++entry) {
      if (std::strncmp(*entry, prefix.c_str(), prefix.size()) == 0)
        return std::string_view(*entry + prefix.size());
    }
    return std::nullopt;
  };
  if (auto text = search(kMessageCatalog)) return text;
  for (const char* const* const* table = kMessageSupplements; *table; ++table) {
    if (auto text = search(*table)) return text;
  }
  return std::nullopt;
}

std::string substitute_product_name(std::string_view text, std::string_view product_name) {
  static constexpr std::string_view family = "VexaLog";
  if (product_name == family || text.find(family) == std::string_view::npos) return std::string(text);
  std::string out;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(family, from)) != std::string_view::npos; from = at + family.size()) {
    out.append(text.substr(from, at - from));
    out.append(product_name);
  }
  out.append(text.substr(from));
  limit_text(out, kMessageResultChars);
  return out;
}

Messages::Messages(std::string product_name, char language)
    : product_name_(std::move(product_name)), language_(language) {}

std::string Messages::message(std::string_view key) const {
  auto text = find_text(key, language_.load());
  if (!text) text = find_text(key, 'e');
  if (!text) return "???";
  return substitute_product_name(*text, product_name_);
}

}  // namespace vexa
