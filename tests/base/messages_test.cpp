// The catalog as data (the same keys in every language, printf conversions that agree, valid
// short texts, the shapes other code splits or writes into files) and the lookups over it.
#include "base/messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "data/message_catalog.h"
#include "data/message_supplements.h"

namespace vexa {
namespace {

constexpr char kLetters[] = {'E', 'F', 'D'};

struct Block {
  char letter;
  std::vector<std::string> keys;
  std::map<std::string, std::string> texts;
};

// The maker's catalog split at its separators; keys are read off by the block's own letter.
std::vector<Block> read_blocks() {
  std::vector<Block> blocks{{kLetters[0], {}, {}}};
  for (const char* const* e = kMessageCatalog; **e; ++e) {
    const std::string entry = *e;
    if (entry == std::string(27, 'X')) {
      if (blocks.size() < 3) blocks.push_back({kLetters[blocks.size()], {}, {}});
      continue;
    }
    const auto at = entry.find(std::string(1, blocks.back().letter) + "_");
    if (at == std::string::npos || at == 0) {
      ADD_FAILURE() << "entry without its block's letter: " << entry;
      continue;
    }
    const std::string key = entry.substr(0, at);
    // A lookup matches "<key><letter>_" at an entry's start: a '_' in a key could hide another.
    EXPECT_EQ(key.find('_'), std::string::npos) << entry;
    blocks.back().keys.push_back(key);
    blocks.back().texts[key] = entry.substr(at + 2);
  }
  return blocks;
}

// The program's own tables: key -> letter -> text, each table's keys in order.
using LanguageTexts = std::map<char, std::string>;
std::vector<std::pair<std::string, LanguageTexts>> read_supplements() {
  std::vector<std::pair<std::string, LanguageTexts>> keys;
  for (const char* const* const* table = kMessageSupplements; *table; ++table)
    for (const char* const* e = *table; **e; ++e) {
      const std::string s = *e;
      const auto underscore = s.find('_');
      if (underscore == std::string::npos || underscore < 2) {
        ADD_FAILURE() << "entry without key and letter: " << s;
        continue;
      }
      const std::string key = s.substr(0, underscore - 1);
      if (keys.empty() || keys.back().first != key) keys.push_back({key, {}});
      EXPECT_TRUE(keys.back().second.emplace(s[underscore - 1], s.substr(underscore + 1)).second) << key << " twice";
    }
  return keys;
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

bool is_valid_utf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 && c < 0xF0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
    if (c >= 0x80 && extra == 0) return false;
    if (i + extra >= text.size() && extra > 0) return false;
    for (std::size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

TEST(CatalogTexts, TheCheckersCatchStrays) {
  EXPECT_EQ(conversions("100%"), "?");
  EXPECT_EQ(conversions("at %y"), "?");
  EXPECT_EQ(conversions("100%% %-3.2ld %s"), "%-3.2ld%s");
  EXPECT_FALSE(is_valid_utf8("caf\xE9"));
  EXPECT_TRUE(is_valid_utf8("caf\xC3\xA9"));
}

// Every key once in English, French and German, with the conversions of its English text in the
// same order (a caller passes one argument list whatever the language); the program's own keys
// never hide one of the maker's.
TEST(CatalogTexts, EveryLanguageHasTheKeysAndConversionsOfEnglish) {
  const auto blocks = read_blocks();
  ASSERT_EQ(blocks.size(), 3u);
  // The maker's two entries come first and exist in English only.
  ASSERT_GE(blocks[0].keys.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_FALSE(find_text(blocks[0].keys[i], 'f').has_value()) << blocks[0].keys[i];
    EXPECT_FALSE(find_text(blocks[0].keys[i], 'd').has_value()) << blocks[0].keys[i];
  }
  const std::vector<std::string> english(blocks[0].keys.begin() + 2, blocks[0].keys.end());
  EXPECT_GT(english.size(), 100u);
  EXPECT_EQ(blocks[1].keys, english);
  EXPECT_EQ(blocks[2].keys, english);
  std::set<std::string> all_keys(blocks[0].keys.begin(), blocks[0].keys.end());
  EXPECT_EQ(all_keys.size(), blocks[0].keys.size());
  for (const Block& block : blocks)
    for (const auto& [key, text] : block.texts)
      EXPECT_EQ(conversions(text), conversions(blocks[0].texts.at(key))) << block.letter << " " << key;

  const auto supplements = read_supplements();
  EXPECT_GT(supplements.size(), 50u);
  for (const auto& [key, languages] : supplements) {
    EXPECT_TRUE(all_keys.insert(key).second) << key << " is in two tables";
    ASSERT_TRUE(languages.count('E')) << key << " has no English text";
    EXPECT_EQ(languages.size(), 3u) << key << ": not exactly E, F and D";
    for (const auto& [letter, text] : languages)
      EXPECT_EQ(conversions(text), conversions(languages.at('E'))) << letter << " " << key;
  }
}

TEST(CatalogTexts, EveryTextIsShortPrintableUtf8WithoutStrayPercentAndOnlyTheSecondHelpHalfMayBeEmpty) {
  std::vector<std::pair<std::string, std::string>> texts;  // what, text
  for (const Block& block : read_blocks())
    for (const auto& [key, text] : block.texts) texts.push_back({std::string(1, block.letter) + " " + key, text});
  for (const auto& [key, languages] : read_supplements())
    for (const auto& [letter, text] : languages) texts.push_back({std::string(1, letter) + " " + key, text});
  for (const auto& [what, text] : texts) {
    EXPECT_TRUE(is_valid_utf8(text)) << what;
    EXPECT_LT(text.size(), kMessageResultChars) << what;
    EXPECT_EQ(conversions(text).find('?'), std::string::npos) << what;
    EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x20 || c == '\t'; }))
        << what;
    // The help text joins TKtxt4 and TKtxt5 directly: only French needs the second half.
    EXPECT_EQ(text.empty(), what.ends_with(" TKtxt5") && what[0] != 'F') << what;
  }
}

TEST(CatalogTexts, TextsThatAreSplitJoinedOrNameFilesKeepTheirShape) {
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
    // The manuals' file names and the address example are the same whatever the language.
    EXPECT_NE(text("MhpdfE").find("VexaLogEF.pdf"), std::string::npos) << letter;
    EXPECT_NE(text("MhpdfS").find("VexaLogS.pdf"), std::string::npos) << letter;
    EXPECT_NE(text("MerSform").find("\"192.168.0.1 1470\""), std::string::npos) << letter;
  }
  // The English date header word for word: files written with it are read by other tools.
  EXPECT_EQ(find_text("MMdate", 'E').value_or(""), "Year,Mon,Day,Hour,Min,Sec,Ms");
}

TEST(Messages, LanguageFallbackUnknownKeysAndTheProductName) {
  Messages fr("VexaLog", 'f'), de("VexaLog", 'd'), en("Acme", 'e'), odd("VexaLog", 'x');
  EXPECT_EQ(odd.message("MerOp"), "Error open");
  EXPECT_EQ(de.message("MenConf"), "Konfiguration");
  EXPECT_EQ(fr.message("TKtxt5"), "et les valeurs calculées.");
  for (const Messages* m : {&en, &fr, &de, &odd}) {
    EXPECT_EQ(m->message("NoSuchKey"), "???");
    EXPECT_EQ(m->message(""), "???");
    EXPECT_EQ(m->message("MenCon"), "???");  // a key's prefix is no key
  }
  EXPECT_EQ(de.message("TKtxt5"), "");  // empty but present
  // The maker's English-only entries fall back to English in every language.
  const std::string first = kMessageCatalog[0];
  const std::string key = first.substr(0, first.find('_') - 1);
  EXPECT_EQ(fr.message(key), odd.message(key));
  EXPECT_EQ(en.message("MhpdfS"), "Acme S: AcmeS.pdf");
  EXPECT_EQ(substitute_product_name("VexaLogVexaLog x", "Ab"), "AbAb x");
  EXPECT_EQ(substitute_product_name("vexalog", "Ab"), "vexalog");
  std::string many;
  for (int i = 0; i < 100; ++i) many += "VexaLog";
  EXPECT_EQ(substitute_product_name(many, "LongerProductName").size(), 499u);
}

TEST(Messages, ConcurrentLookupsDoNotInterfere) {
  Messages acme("Acme", 'e');
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if (t % 2 ? acme.message("MhpdfS") != "Acme S: AcmeS.pdf" : acme.message("MerOp") != "Error open") ++wrong;
        if (t == 3) acme.set_language(i % 2 ? 'e' : 'x');
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace vexa
