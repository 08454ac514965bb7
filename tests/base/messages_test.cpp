#include "base/messages.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <thread>
#include <vector>

#include "data/message_catalog.h"
#include "data/message_supplements.h"

namespace vexa {
namespace {

struct Entry {
  std::string key;
  char letter;
  std::string text;
};

std::vector<std::vector<Entry>> catalog_blocks() {
  std::vector<std::vector<Entry>> blocks(1);
  for (const char* const* e = kMessageCatalog; **e; ++e) {
    std::string s = *e;
    if (s == std::string(27, 'X')) {
      blocks.emplace_back();
      continue;
    }
    auto underscore = s.find('_');
    EXPECT_NE(underscore, std::string::npos) << s;
    EXPECT_GE(underscore, 2u) << s;
    blocks.back().push_back({s.substr(0, underscore - 1), s[underscore - 1], s.substr(underscore + 1)});
  }
  return blocks;
}

// printf conversions in order, "%%" excluded.
std::vector<std::string> conversions(const std::string& text) {
  std::vector<std::string> out;
  static const std::regex conv("%(%|[-+ #0]*[0-9*]*(\\.[0-9*]+)?[hlLqjzt]*[diouxXeEfgGcsp])");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), conv); it != std::sregex_iterator(); ++it)
    if ((*it)[0] != "%%") out.push_back((*it)[0]);
  return out;
}

TEST(MessageCatalog, LayoutIsThreeParallelBlocks) {
  auto blocks = catalog_blocks();
  ASSERT_EQ(blocks.size(), 3u);
  ASSERT_EQ(blocks[0].size(), 149u);
  ASSERT_EQ(blocks[1].size(), 147u);
  ASSERT_EQ(blocks[2].size(), 147u);
  for (std::size_t i = 0; i < 147; ++i) {
    const Entry& en = blocks[0][i + 2];
    EXPECT_EQ(en.letter, 'E');
    EXPECT_EQ(blocks[1][i].letter, 'F');
    EXPECT_EQ(blocks[2][i].letter, 'D');
    EXPECT_EQ(blocks[1][i].key, en.key);
    EXPECT_EQ(blocks[2][i].key, en.key);
  }
  EXPECT_EQ(blocks[0][2].key, "MenConf");
  EXPECT_EQ(blocks[0].back().key, "TbHistM");
}

// The maker's catalog and every table of the program's own texts: each key in English, French
// and German, once each, with the same printf conversions in the same order (a caller passes
// one argument list whatever the language).
TEST(MessageCatalog, EveryLanguageHasTheKeysAndConversionsOfEnglish) {
  auto blocks = catalog_blocks();
  ASSERT_EQ(blocks.size(), 3u);
  for (std::size_t i = 0; i < blocks[1].size() && i + 2 < blocks[0].size(); ++i) {
    const Entry& en = blocks[0][i + 2];
    EXPECT_EQ(conversions(blocks[1][i].text), conversions(en.text)) << "French " << en.key;
    EXPECT_EQ(conversions(blocks[2][i].text), conversions(en.text)) << "German " << en.key;
  }
  // A key of the maker's catalog would hide the program's own text of the same key.
  std::set<std::string> all_keys;
  for (const Entry& en : blocks[0]) all_keys.insert(en.key);
  const std::size_t catalog_keys = all_keys.size();
  for (const char* const* const* table = kMessageSupplements; *table; ++table) {
    std::map<std::string, std::map<char, std::string>> texts;  // key, letter: text
    std::vector<std::string> order;
    for (const char* const* e = *table; **e; ++e) {
      const std::string s = *e;
      const auto underscore = s.find('_');
      ASSERT_TRUE(underscore != std::string::npos && underscore >= 2) << s;
      const std::string key = s.substr(0, underscore - 1);
      const char letter = s[underscore - 1];
      if (!texts.count(key)) order.push_back(key);
      EXPECT_TRUE(texts[key].emplace(letter, s.substr(underscore + 1)).second) << key << letter << " twice";
    }
    for (const std::string& key : order) {
      const auto& languages = texts[key];
      EXPECT_TRUE(all_keys.insert(key).second) << key << " is in two tables";
      ASSERT_TRUE(languages.count('E')) << key << " has no English text";
      for (char letter : {'F', 'D'}) {
        auto it = languages.find(letter);
        if (it == languages.end()) {
          ADD_FAILURE() << key << " has no " << (letter == 'F' ? "French" : "German") << " text";
          continue;
        }
        EXPECT_EQ(conversions(it->second), conversions(languages.at('E'))) << letter << " " << key;
      }
      EXPECT_EQ(languages.size(), 3u) << key << ": a letter other than E, F and D";
    }
  }
  EXPECT_GT(all_keys.size(), catalog_keys + 50);  // the tables were read at all
}

TEST(MessageCatalog, NoEntryStartsWithAnotherEntrysPrefix) {
  std::vector<std::string> prefixes;
  std::vector<std::string> entries;
  for (const char* const* e = kMessageCatalog; **e; ++e) {
    std::string s = *e;
    if (s == std::string(27, 'X')) continue;
    prefixes.push_back(s.substr(0, s.find('_') + 1));
    entries.push_back(s);
  }
  std::set<std::string> unique(prefixes.begin(), prefixes.end());
  EXPECT_EQ(unique.size(), prefixes.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    for (std::size_t j = 0; j < prefixes.size(); ++j) {
      if (i != j) {
        EXPECT_NE(entries[i].rfind(prefixes[j], 0), 0u) << entries[i] << " vs " << prefixes[j];
      }
    }
}

TEST(Messages, LanguageFallbackAndUnknownKeys) {
  Messages fr("VexaLog", 'f');
  Messages de("VexaLog", 'd');
  Messages en("VexaLog", 'e');
  Messages odd("VexaLog", 'x');
  EXPECT_EQ(en.message("MerOp"), "Error open");
  EXPECT_EQ(odd.message("MerOp"), "Error open");
  EXPECT_EQ(en.message("MnoReply"), "Error no reply (%d/%d)");
  EXPECT_EQ(en.message("McCoEr"), "Compare %s: %d errors");
  EXPECT_EQ(en.message("Mcaline"), "Raw\tmV\tValue");
  EXPECT_NE(fr.message("MenConf"), "???");
  EXPECT_EQ(de.message("MenConf"), "Konfiguration");
  EXPECT_EQ(fr.message("TKtxt5"), "et les valeurs calculées.");
  for (const Messages* m : {&en, &fr, &de, &odd}) {
    EXPECT_EQ(m->message("NoSuchKey"), "???");
    EXPECT_EQ(m->message(""), "???");
    if (m != &fr) {
      EXPECT_EQ(m->message("TKtxt5"), "");  // empty but present
    }
    EXPECT_EQ(m->message("MenCon"), "???");  // a key's prefix is no key
  }
  // The maker's English-only entries fall back to English in every language.
  auto first = std::string(kMessageCatalog[0]);
  std::string key = first.substr(0, first.find('_') - 1);
  EXPECT_EQ(fr.message(key), en.message(key));
  EXPECT_EQ(en.message("Mlanguage"), "Restart program to get English version");
  EXPECT_NE(fr.message("Mlanguage"), en.message("Mlanguage"));
}

TEST(Messages, ProductNameSubstitution) {
  Messages acme("Acme", 'e');
  Messages family("VexaLog", 'e');
  EXPECT_EQ(acme.message("MhpdfS"), "Acme S: AcmeS.pdf");
  EXPECT_EQ(family.message("MhpdfS"), "VexaLog S: VexaLogS.pdf");
  EXPECT_EQ(acme.message("MhpdfE"), "Acme E: AcmeEF.pdf");
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
        if (t % 2 ? acme.message("MhpdfS") != "Acme S: AcmeS.pdf" : acme.message("MerOp") != "Error open")
          ++wrong;
        if (t == 3) acme.set_language(i % 2 ? 'e' : 'x');
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace vexa
