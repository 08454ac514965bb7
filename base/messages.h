#pragma once
// Message lookup by key in the current language, with English fallback and the product name
// put in place of the family name.
#include <atomic>
#include <optional>
#include <string>
#include <string_view>

namespace vexa {

inline constexpr std::size_t kMessageKeyChars = 49;       // 52-character prefix buffer
inline constexpr std::size_t kMessageResultChars = 499;   // substitution buffer of 500

// Text of the entry for key and language letter (upper-cased), or nothing.
std::optional<std::string_view> find_text(std::string_view key, char letter);

// Every occurrence of "VexaLog" in text replaced by product_name (unchanged for "VexaLog").
std::string substitute_product_name(std::string_view text, std::string_view product_name);

class Messages {
 public:
  explicit Messages(std::string product_name = "VexaLog", char language = 'e');

  // The text in the current language, else English, else "???", with the product name in
  // place of "VexaLog". Safe to call from several threads at once.
  std::string message(std::string_view key) const;

  char language() const { return language_.load(); }
  void set_language(char letter) { language_.store(letter); }
  const std::string& product_name() const { return product_name_; }

 private:
  const std::string product_name_;
  std::atomic<char> language_;
};

}  // namespace vexa
