// The catalog as data (the same keys and conversions in every language, valid short texts, the
// shapes other code splits) and the lookups over it; the formatting of its texts.
#include "base/messages.h"
#include "base/cp1252.h"
#include "base/text_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "data/message_catalog.h"
#include "data/message_supplements.h"

namespace vexa {
namespace {

constexpr char kLetters[] = {'E', 'F', 'D'};

// Every entry of both catalogs: key -> letter -> text. The maker's catalog has English, French
// and German between separators of 27 'X'; the program's own tables name the letter in each
// entry. A lookup matches "<key><letter>_" at an entry's start, so a key holds no '_'.
using Texts = std::map<std::string, std::map<char, std::string>>;
Texts read_catalogs() {
  Texts texts;
  std::size_t block = 0;
  auto add = [&texts](const std::string& entry, char block_letter) {
    const auto at = entry.find('_');
    if (at == std::string::npos || at < 2 || (block_letter && entry[at - 1] != block_letter)) {
      ADD_FAILURE() << "entry without key and letter: " << entry;
      return;
    }
    const std::string key = entry.substr(0, at - 1);
    EXPECT_TRUE(texts[key].emplace(entry[at - 1], entry.substr(at + 1)).second) << key << " twice";
  };
  for (const char* const* e = kMessageCatalog; **e; ++e) {
    if (*e == std::string(27, 'X')) {
      ++block;
    } else {
      add(*e, kLetters[std::min<std::size_t>(block, 2)]);
    }
  }
  EXPECT_EQ(block, 2u);
  for (const char* const* const* table = kMessageSupplements; *table; ++table)
    for (const char* const* e = *table; **e; ++e) add(*e, 0);
  return texts;
}

// The text's conversions in order ("%%" left out), or "?" for a '%' that starts none, which
// would make printf read an argument the caller did not pass.
std::string conversions(const std::string& text) {
  static const std::regex one("%%|%[-+ #0-9.hlLqjzt]*[diouxXeEfgGcsp]|%");
  std::string found;
  for (std::sregex_iterator it(text.begin(), text.end(), one), end; it != end; ++it) {
    if (it->str() == "%") return found + "?";
    if (it->str() != "%%") found += it->str();
  }
  return found;
}

TEST(Messages, TheCatalogHasEveryKeyInEveryLanguageKeepsTheShapesOfItsTextsAndFallsBack) {
  // The checkers catch what they look for.
  EXPECT_EQ(conversions("100%"), "?");
  EXPECT_EQ(conversions("100%% %-3.2ld %s"), "%-3.2ld%s");
  EXPECT_NE(utf8_to_cp1252("caf\xE9 \xE2\x9C\x93", '\0').find('\0'), std::string::npos);  // malformed, no byte
  // Every key in English, French and German (but the maker's two English-only entries, which
  // come first), with the conversions of its English text in the same order: a caller passes one
  // argument list whatever the language. A key in two tables counts as given twice.
  const Texts texts = read_catalogs();
  EXPECT_GT(texts.size(), 250u);
  const auto key_of = [](const std::string& entry) { return entry.substr(0, entry.find('_') - 1); };
  const std::set<std::string> english_only{key_of(kMessageCatalog[0]), key_of(kMessageCatalog[1])};
  for (const auto& [key, languages] : texts) {
    ASSERT_TRUE(languages.count('E')) << key << " has no English text";
    EXPECT_EQ(languages.size(), english_only.count(key) ? 1u : 3u) << key << ": not exactly E, F and D";
    for (const auto& [letter, text] : languages) {
      SCOPED_TRACE(std::string(1, letter) + " " + key);
      EXPECT_EQ(conversions(text), conversions(languages.at('E')));
      // Valid UTF-8 whose every character has a byte in the terminal's Windows-1252 view.
      EXPECT_EQ(utf8_to_cp1252(text, '\0').find('\0'), std::string::npos);
      EXPECT_LT(text.size(), kMessageResultChars);
      EXPECT_EQ(conversions(text).find('?'), std::string::npos);
      EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x20 || c == '\t'; }));
      // The help text joins TKtxt4 and TKtxt5 directly: only French needs the second half.
      EXPECT_EQ(text.empty(), key == "TKtxt5" && letter != 'F');
    }
  }
  // Split or joined texts keep their shape.
  for (const char letter : kLetters) {
    auto text = [letter](const char* key) { return std::string(find_text(key, letter).value_or("<missing>")); };
    auto count = [&](const char* key, char c) { const std::string t = text(key); return std::count(t.begin(), t.end(), c); };
    // Split into labels by list_field and the tab-separated export header.
    EXPECT_EQ(count("MOPmmax", ','), 3) << letter;
    EXPECT_EQ(count("MMdate", ','), 6) << letter;
    EXPECT_EQ(count("Mcaline", '\t'), 2) << letter;
    // Joined directly with TKtxt2 into one sentence; TKtxt4 leads into TKtxt5 only in French.
    EXPECT_EQ(text("TKtxt1").back(), ' ') << letter;
    EXPECT_EQ(text("TKtxV1").back(), ' ') << letter;
    EXPECT_EQ(text("TKtxt4").back() == ' ', letter == 'F') << letter;
  }
  // Lookups fall back to English and to "???"; the product name takes the family's place.
  Messages fr("VexaLog", 'f'), de("VexaLog", 'd'), odd("VexaLog", 'x');
  EXPECT_EQ(odd.message("MerOp"), "Error open");
  EXPECT_EQ(de.message(""), "???");
  EXPECT_EQ(de.message("MenCon"), "???");  // a key's prefix is no key
  // The maker's English-only entries fall back to English in every language.
  EXPECT_EQ(fr.message(*english_only.begin()), odd.message(*english_only.begin()));
  EXPECT_EQ(substitute_product_name("VexaLogVexaLog x", "Ab"), "AbAb x");
  EXPECT_EQ(substitute_product_name("vexalog", "Ab"), "vexalog");
  std::string many;
  for (int i = 0; i < 100; ++i) many += "VexaLog";
  EXPECT_EQ(substitute_product_name(many, "LongerProductName").size(), 499u);
}

// Catalog texts are formats, but they are data, and their arguments come from files, settings
// and the board: formatting takes every '%' it cannot match with an argument as plain text.
TEST(FormatMessage, ConversionsTakeTheirArgumentsInOrderAndTextFromOutsideNeverActsAsAFormat) {
  EXPECT_EQ(format_message("Compare %s: %d errors", {"a.txt", 3}), "Compare a.txt: 3 errors");
  EXPECT_EQ(format_message("%5.2f|%-4d|%04d|%x|%c|%%", {3.14159, 7, 42, 255, 'z'}),
            " 3.14|7   |0042|ff|z|%");
  EXPECT_EQ(format_message("%.*s|%*d", {2, "abcdef", 3, 5}), "ab|  5");
  EXPECT_EQ(format_message("%ld %lu %hd", {12L, 13UL, 14}), "12 13 14");
  // A value carrying conversions is copied, not interpreted.
  EXPECT_EQ(format_message("%s %s", {"%s%n%d", "x"}), "%s%n%d x");
  // Conversions with no argument left, %n and %p, and a cut-off '%' stay as written.
  EXPECT_EQ(format_message("a %s b %d c", {}), "a %s b %d c");
  EXPECT_EQ(format_message("%n%p%", {1, 2}), "%n%p%");
  // An argument of another kind than the conversion wants is shown as what it is.
  EXPECT_EQ(format_message("%d and %s", {"seven", 8}), "seven and 8");
  EXPECT_EQ(format_message("%s", {2.5}), "2.5");
}

}  // namespace
}  // namespace vexa
