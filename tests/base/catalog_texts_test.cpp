// Checks of the catalog data itself: the key list, the texts callers depend on word for word,
// and the shape of texts that callers format or split.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "base/messages.h"
#include "data/message_catalog.h"

namespace vexa {
namespace {

const std::vector<std::string> kExpectedKeys = {
    "MenConf", "MenCom", "MenTools", "MenClear", "MenStop", "MenHelp", "McGet", "McSave",
    "McSaved", "McLoad", "McLoaded", "McCompare", "McCoF", "McCoC", "McCoMiF", "McCoMiC",
    "McCoEr", "McDown", "McZ", "McTime", "McTimS", "McTimX", "McBar", "MrTarget", "MrModem",
    "Mdownload", "MdownloadF", "MlogNone", "MlogOn", "MlogDate", "MlogErase", "Mverbose",
    "MDupload", "MtabTerm", "MtabConf", "MtabAnna", "MtabAnnaPlan", "MtabAnnaBar", "MtabMacro",
    "MtabUpld", "MtabComp", "MCcompile", "MCdir", "MCcmd", "MCrun", "MCbin", "MCpath", "MCdown",
    "MCdauto", "MCrunning", "MCexit", "MhpdfE", "MhpdfF", "MhpdfS", "McloseC", "Mopen",
    "Mphonline", "Mphoffline", "Mphbook", "Mphcall", "Mphdisc", "MerOp", "MerNoOp", "MerWrite",
    "Mwritten", "MerrCrc", "MerSform", "MerrBoard", "MnoReply", "Mbytes", "MPwritten", "Mlines",
    "MchWritten", "Mnoconf", "Mcaline", "MAmin", "MAmax", "MDalarmn", "MDalarm0", "MDalarm1",
    "MOPname", "MOPlcdT", "MOPdiff", "MOPpivot", "MOPmmax", "MMnomacs", "//MMmac0", "//MMmac1",
    "//MMmac2", "MMtypeNil", "MMtypeNev", "MMtypeOnce", "MMtypeReg", "MMtypeFrom", "MMtypeOn",
    "MMtypeAll", "MMcmd", "MMdate", "MMtoday", "MUhfile", "MUchange", "MUhdestr", "MUhappend",
    "MUtfile", "MUtfrom", "MUstart", "MUmodet", "MUmodeg", "MUbinary", "MnoDown", "MnoDownF",
    "Mnotcpip", "Mprint", "Mconflict", "MinpWarn", "MinpWarn2", "Mlanguage", "TAcalc", "TKtxt1",
    "TKtxt2", "TKtxt4", "TKtxt5", "TKtxT1", "TKtxT2", "TKtxT3", "TKtxP1", "TKtxP2", "TKtxP3",
    "TKtxV1", "TKraw", "TKabc", "TKtemp", "TKval", "TKcal", "TKcaca", "TKappl", "TKtable",
    "TKlisten", "TKcatch", "Tok", "Tcancel", "TbRaw", "TbMv", "TbReal", "TbBar", "TbHistS",
    "TbHistM",
};

constexpr char kLetters[] = {'E', 'F', 'D'};

struct Block {
  char letter;
  std::vector<std::string> keys;
  std::map<std::string, std::string> texts;
};

// The catalog split at its separators; keys are read off by the block's own letter.
std::vector<Block> read_blocks() {
  std::vector<Block> blocks;
  std::size_t index = 0;
  blocks.push_back({kLetters[0], {}, {}});
  for (const char* const* e = kMessageCatalog; **e; ++e) {
    std::string entry = *e;
    if (entry == std::string(27, 'X')) {
      ++index;
      if (index < 3) blocks.push_back({kLetters[index], {}, {}});
      continue;
    }
    std::string marker = std::string(1, blocks.back().letter) + "_";
    auto at = entry.find(marker);
    if (at == std::string::npos || at == 0) {
      ADD_FAILURE() << "entry without its block's letter: " << entry;
      continue;
    }
    std::string key = entry.substr(0, at);
    blocks.back().keys.push_back(key);
    blocks.back().texts[key] = entry.substr(at + 2);
  }
  return blocks;
}

// Every '%' must start "%%" or a complete conversion, so a text used as a format never makes
// printf read an argument the caller did not pass.
bool conversions_are_well_formed(const std::string& text) {
  static const std::string flags = "-+ #0";
  static const std::string lengths = "hlLqjzt";
  static const std::string kinds = "diouxXeEfgGcsp";
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    std::size_t j = i + 1;
    if (j < text.size() && text[j] == '%') {
      i = j;
      continue;
    }
    while (j < text.size() && flags.find(text[j]) != std::string::npos) ++j;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
    if (j < text.size() && text[j] == '.') {
      ++j;
      while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
    }
    while (j < text.size() && lengths.find(text[j]) != std::string::npos) ++j;
    if (j >= text.size() || kinds.find(text[j]) == std::string::npos) return false;
    i = j;
  }
  return true;
}

bool is_valid_utf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    if (c >= 0xF0 && c < 0xF8) extra = 3;
    else if (c >= 0xE0) extra = c < 0xF0 ? 2 : 0;
    else if (c >= 0xC2) extra = 1;
    if (c >= 0x80 && extra == 0) return false;
    if (i + extra >= text.size() && extra > 0) return false;
    for (std::size_t k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

std::size_t count_of(const std::string& text, char c) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

TEST(CatalogTexts, EveryLanguageHoldsTheKeysInCatalogOrder) {
  auto blocks = read_blocks();
  ASSERT_EQ(blocks.size(), 3u);
  ASSERT_GE(blocks[0].keys.size(), 2u);
  std::vector<std::string> english(blocks[0].keys.begin() + 2, blocks[0].keys.end());
  EXPECT_EQ(english, kExpectedKeys);
  EXPECT_EQ(blocks[1].keys, kExpectedKeys);
  EXPECT_EQ(blocks[2].keys, kExpectedKeys);
  // The maker's entries exist in English only.
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string& key = blocks[0].keys[i];
    EXPECT_FALSE(find_text(key, 'f').has_value()) << key;
    EXPECT_FALSE(find_text(key, 'd').has_value()) << key;
    EXPECT_FALSE(blocks[0].texts[key].empty()) << key;
  }
}

TEST(CatalogTexts, QuotedEnglishTextsAreExact) {
  const std::map<std::string, std::string> quoted = {
      {"MnoReply", "Error no reply (%d/%d)"},
      {"McCoEr", "Compare %s: %d errors"},
      {"MerOp", "Error open"},
      {"MerNoOp", "Error Port is not open"},
      {"MerWrite", "Error write"},
      {"Mopen", "open"},
      {"McloseC", "close com"},
      {"MCexit", "Exit= %d"},
      {"Mcaline", "Raw\tmV\tValue"},
      {"TbHistS", "History %d s"},
      {"TbHistM", "History %d m"},
      {"MlogErase", "Erase %s"},
      {"MerSform", "Need Phonenumber= ip address port, like \"192.168.0.1 1470\""},
      {"MerrBoard", "Error: File is not for this board"},
      {"MnoDown", "Error: Board not in download mode"},
      {"MerrCrc", "Error CRC"},
      {"McSaved", "Saved config to"},
      {"McLoaded", "Loaded config from"},
      {"McCoF", "Compare: file"},
      {"McCoC", "conf"},
      {"McCoMiF", "Compare: missing in file"},
      {"McCoMiC", "Compare: missing in conf"},
      {"Mnoconf", "No configuration loaded"},
      {"Mbytes", "bytes"},
      {"MPwritten", "pages written"},
      {"Mlines", "lines"},
      {"MchWritten", "chars written"},
      {"MAmin", "Alarm  <"},
      {"MAmax", "Alarm  >"},
      {"MOPmmax", "Store,avg,min,max"},
      {"MMdate", "Year,Mon,Day,Hour,Min,Sec,Ms"},
      {"MlogNone", "Log -"},
      {"TKtxt1", "To find the right expression, enter two raw values of the ADC "},
      {"TKtxt4", "Click on Calculate to find the expression and the calculated values."},
      {"MinpWarn", "Insert resistances and jumpers BEFORE applying signals."},
      {"MhpdfE", "VexaLog E: VexaLogEF.pdf"},
      {"Mlanguage", "Restart program to get English version"},
  };
  for (const auto& [key, text] : quoted) {
    auto found = find_text(key, 'E');
    ASSERT_TRUE(found.has_value()) << key;
    EXPECT_EQ(std::string(*found), text) << key;
  }
}

TEST(CatalogTexts, EveryTextIsASafeFormatAndValidUtf8) {
  for (const Block& block : read_blocks())
    for (const auto& [key, text] : block.texts) {
      EXPECT_TRUE(conversions_are_well_formed(text)) << block.letter << " " << key << ": " << text;
      EXPECT_TRUE(is_valid_utf8(text)) << block.letter << " " << key;
      EXPECT_LT(text.size(), kMessageResultChars) << block.letter << " " << key;
      for (char c : text)
        EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\t') << block.letter << " " << key;
    }
  // The checker itself catches strays.
  EXPECT_FALSE(conversions_are_well_formed("100%"));
  EXPECT_FALSE(conversions_are_well_formed("at %y"));
  EXPECT_TRUE(conversions_are_well_formed("100%% %-3.2ld %s"));
  EXPECT_FALSE(is_valid_utf8("caf\xE9"));
}

// Only the texts that callers format carry a '%' at all; "% s" or "100% done" in any other text
// would be read as a conversion with an argument nobody passed.
TEST(CatalogTexts, OnlyFormattedTextsCarryConversions) {
  const std::map<std::string, std::string> formats = {
      {"McCoEr", "%s%d"}, {"MlogErase", "%s"}, {"MCexit", "%d"},
      {"MnoReply", "%d%d"}, {"TbHistS", "%d"}, {"TbHistM", "%d"},
  };
  for (const Block& block : read_blocks())
    for (const auto& [key, text] : block.texts) {
      std::string found;
      for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 2))
        found += text.substr(at, 2);
      auto wanted = formats.find(key);
      EXPECT_EQ(found, wanted == formats.end() ? "" : wanted->second) << block.letter << " " << key;
    }
}

TEST(CatalogTexts, TranslationsKeepTheShapeCallersRelyOn) {
  for (char letter : kLetters) {
    auto text = [letter](const char* key) {
      return std::string(find_text(key, letter).value_or("<missing>"));
    };
    // Split into labels by list_field and the tab-separated export header.
    EXPECT_EQ(count_of(text("MOPmmax"), ','), 3u) << letter;
    EXPECT_EQ(count_of(text("MMdate"), ','), 6u) << letter;
    EXPECT_EQ(count_of(text("Mcaline"), '\t'), 2u) << letter;
    // Joined directly with TKtxt2 into one sentence.
    EXPECT_EQ(text("TKtxt1").back(), ' ') << letter;
    EXPECT_EQ(text("TKtxV1").back(), ' ') << letter;
    // The help text joins TKtxt4 and TKtxt5 directly: only French needs the second half.
    EXPECT_EQ(text("TKtxt5").empty(), letter != 'F') << letter;
    EXPECT_EQ(text("TKtxt4").back() == ' ', letter == 'F') << letter;
    // The manual file names are the same whatever the language.
    EXPECT_NE(text("MhpdfE").find("VexaLogEF.pdf"), std::string::npos) << letter;
    EXPECT_NE(text("MhpdfF").find("VexaLogEF.pdf"), std::string::npos) << letter;
    EXPECT_NE(text("MhpdfS").find("VexaLogS.pdf"), std::string::npos) << letter;
    EXPECT_NE(text("MerSform").find("\"192.168.0.1 1470\""), std::string::npos) << letter;
  }
  EXPECT_NE(find_text("Mlanguage", 'F').value_or(""), find_text("Mlanguage", 'D').value_or(""));
  EXPECT_NE(std::string(find_text("Mlanguage", 'F').value_or("")).find("français"), std::string::npos);
  EXPECT_NE(std::string(find_text("Mlanguage", 'D').value_or("")).find("deutsch"), std::string::npos);
}

}  // namespace
}  // namespace vexa
