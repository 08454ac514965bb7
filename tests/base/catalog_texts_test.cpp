// Properties of the catalog data: every language has the same keys, a text's conversions
// agree across languages, every text is a safe format of valid UTF-8, and the texts that are
// split, joined or written into files keep their shape; exact wording only where a file
// format or a manual's file name depends on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/messages.h"
#include "data/message_catalog.h"

namespace vexa {
namespace {

constexpr char kLetters[] = {'E', 'F', 'D'};

struct Block {
  char letter;
  std::vector<std::string> keys;
  std::map<std::string, std::string> texts;
};

// The catalog split at its separators; keys are read off by the block's own letter.
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
    blocks.back().keys.push_back(key);
    blocks.back().texts[key] = entry.substr(at + 2);
  }
  return blocks;
}

// The text's conversions in order ("%%" left out), or "?" for a '%' that starts none, which
// would make printf read an argument the caller did not pass.
std::string conversions(const std::string& text) {
  static const std::string flags = "-+ #0", lengths = "hlLqjzt", kinds = "diouxXeEfgGcsp";
  std::string found;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    std::size_t j = i + 1;
    if (j < text.size() && text[j] == '%') {
      i = j;
      continue;
    }
    while (j < text.size() && (flags.find(text[j]) != std::string::npos || std::isdigit(static_cast<unsigned char>(text[j])) ||
                               text[j] == '.' || lengths.find(text[j]) != std::string::npos))
      ++j;
    if (j >= text.size() || kinds.find(text[j]) == std::string::npos) return found + "?";
    found += text.substr(i, j + 1 - i);
    i = j;
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

TEST(CatalogTexts, EveryLanguageHasTheSameKeysInTheSameOrderEachOnce) {
  const auto blocks = read_blocks();
  ASSERT_EQ(blocks.size(), 3u);
  // The maker's two entries come first and exist in English only.
  ASSERT_GE(blocks[0].keys.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string& key = blocks[0].keys[i];
    EXPECT_FALSE(find_text(key, 'f').has_value()) << key;
    EXPECT_FALSE(find_text(key, 'd').has_value()) << key;
  }
  const std::vector<std::string> english(blocks[0].keys.begin() + 2, blocks[0].keys.end());
  EXPECT_GT(english.size(), 100u);
  EXPECT_EQ(blocks[1].keys, english);
  EXPECT_EQ(blocks[2].keys, english);
  EXPECT_EQ(std::set<std::string>(english.begin(), english.end()).size(), english.size());
}

// Only the texts callers format carry a '%' at all, and each translation has the conversions
// of its English text in the same order: the caller passes the same arguments in any language.
TEST(CatalogTexts, ConversionsAgreeAcrossLanguagesAndOnlyFormatsHaveThem) {
  const std::map<std::string, std::string> formats = {
      {"McCoEr", "%s%d"}, {"MlogErase", "%s"}, {"MCexit", "%d"}, {"MnoReply", "%d%d"}, {"TbHistS", "%d"}, {"TbHistM", "%d"},
  };
  const auto blocks = read_blocks();
  for (const auto& [key, text] : blocks[0].texts) {
    const auto wanted = formats.find(key);
    EXPECT_EQ(conversions(text), wanted == formats.end() ? "" : wanted->second) << key;
  }
  for (const Block& block : blocks)
    for (const auto& [key, text] : block.texts)
      EXPECT_EQ(conversions(text), conversions(blocks[0].texts.at(key))) << block.letter << " " << key;
}

TEST(CatalogTexts, EveryTextIsShortPrintableUtf8AndOnlyTheSecondHelpHalfMayBeEmpty) {
  for (const Block& block : read_blocks())
    for (const auto& [key, text] : block.texts) {
      EXPECT_TRUE(is_valid_utf8(text)) << block.letter << " " << key;
      EXPECT_LT(text.size(), kMessageResultChars) << block.letter << " " << key;
      EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x20 || c == '\t'; }))
          << block.letter << " " << key;
      // The help text joins TKtxt4 and TKtxt5 directly: only French needs the second half.
      EXPECT_EQ(text.empty(), key == "TKtxt5" && block.letter != 'F') << block.letter << " " << key;
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
    EXPECT_NE(text("MhpdfF").find("VexaLogEF.pdf"), std::string::npos) << letter;
    EXPECT_NE(text("MhpdfS").find("VexaLogS.pdf"), std::string::npos) << letter;
    EXPECT_NE(text("MerSform").find("\"192.168.0.1 1470\""), std::string::npos) << letter;
  }
  // The English export headers word for word: files written with them are read by other tools.
  EXPECT_EQ(find_text("Mcaline", 'E').value_or(""), "Raw\tmV\tValue");
  EXPECT_EQ(find_text("MMdate", 'E').value_or(""), "Year,Mon,Day,Hour,Min,Sec,Ms");
  EXPECT_EQ(find_text("MOPmmax", 'E').value_or(""), "Store,avg,min,max");
  // The restart notice names the language it switches to.
  EXPECT_NE(std::string(find_text("Mlanguage", 'F').value_or("")).find("français"), std::string::npos);
  EXPECT_NE(std::string(find_text("Mlanguage", 'D').value_or("")).find("deutsch"), std::string::npos);
}

}  // namespace
}  // namespace vexa
