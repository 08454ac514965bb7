// HEX reading checked against files written by srecord's srec_cat from random binaries, the
// digit rule, wrapping, overlapping records, identities and the loader table lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <streambuf>

#include "download/hex_image.h"
#include "download/loader_types.h"
#include "download_fakes.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vexa {
namespace {

constexpr char kSrecCat[] = "/usr/bin/srec_cat";

HexImage read_text(const std::string& text) {
  std::istringstream in(text);
  return read_hex_image(in);
}

TEST(SrecFiles, RecordSizesCaseOrderOffsetsAndGapsGiveTheBinarysImage) {
  if (!test::TempDir::exists(kSrecCat)) GTEST_SKIP() << "srec_cat is not installed";
  test::TempDir dir;
  const std::string binary = test::random_bytes(0x8000, 7);
  struct Row {
    const char* note;
    std::vector<std::string> options;
    unsigned offset;
    unsigned gap_from, gap_to;  // bytes of the binary left out
  };
  const std::vector<Row> rows{
      {"16-byte records", {"-Output_Block_Size", "16"}, 0, 0, 0},
      {"32-byte records", {"-Output_Block_Size", "32"}, 0, 0, 0},
      // The identity runs over offsets 0..count-1: here only the 0xFF fill below 0x8000.
      {"the high half only", {"-offset", "0x8000"}, 0x8000, 0, 0},
      {"a gap", {"-exclude", "0x100", "0x180"}, 0, 0x100, 0x180},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.note);
    std::vector<std::string> args = {dir.write("in.bin", binary), "-binary"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    args.insert(args.end(), {"-o", dir.file("out.hex"), "-intel"});
    const auto made = test::run_program(kSrecCat, args);
    ASSERT_EQ(made.exit_code, 0) << made.err;
    const std::string hex = test::TempDir::read(dir.file("out.hex"));
    std::vector<std::uint8_t> expected(65536, 0xFF);
    for (unsigned i = 0; i < binary.size(); ++i)
      if (i < row.gap_from || i >= row.gap_to) expected[row.offset + i] = static_cast<std::uint8_t>(binary[i]);
    const int count = static_cast<int>(binary.size() - (row.gap_to - row.gap_from));
    std::uint16_t identity = 0;
    for (int w = 0; w < count / 2; ++w) identity ^= static_cast<std::uint16_t>(expected[2 * w] | expected[2 * w + 1] << 8);

    std::string lower = hex;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    // Records in a shuffled order land at their addresses all the same.
    std::vector<std::string> lines;
    std::istringstream split(hex);
    for (std::string line; std::getline(split, line);) lines.push_back(line + "\n");
    std::shuffle(lines.begin(), lines.end(), std::mt19937(3));
    std::string shuffled;
    for (auto& l : lines) shuffled += l;
    for (const std::string& text : {hex, lower, shuffled}) {
      const HexImage image = read_text(text);
      EXPECT_EQ(image.data_count, count);
      EXPECT_EQ(image.bytes, expected);
      EXPECT_EQ(hex_identity(image), identity);
    }
  }
}

TEST(HexImage, WrapOverlapAndIgnoredRecords) {
  // A record that runs past 0xFFFF goes on at 0; the second record for 0x0010 wins but both
  // count; other record types, zero counts and lines without ':' are left out.
  HexImage image = read_text(
      ":04FFFE00A1B2C3D400\n"
      ":020010001122ZZ\n"
      ":020010003344\r\n"
      "garbage line\n"
      ":0000000000\n"
      ":02000004FFFFFC\n"
      ":00000001FF\n");
  EXPECT_EQ(image.bytes[0xFFFE], 0xA1);
  EXPECT_EQ(image.bytes[0xFFFF], 0xB2);
  EXPECT_EQ(image.bytes[0x0000], 0xC3);
  EXPECT_EQ(image.bytes[0x0001], 0xD4);
  EXPECT_EQ(image.bytes[0x0010], 0x33);
  EXPECT_EQ(image.bytes[0x0011], 0x44);
  EXPECT_EQ(image.data_count, 8);
  // Digits are not validated: 'g' counts as 7 + 9, ' ' as a negative digit (masked).
  EXPECT_EQ(unchecked_hex_digit_value('a'), 10);
  EXPECT_EQ(unchecked_hex_digit_value('F'), 15);
  EXPECT_EQ(unchecked_hex_digit_value('g'), 16);
  EXPECT_EQ(unchecked_hex_digit_value('7'), 7);
}

TEST(HexImage, OverlongAndShortRecordsAreReportedNotMisread) {
  std::string longline = ":FF000000" + std::string(10000, 'A') + "\n";
  HexImage image = read_text(longline + ":0200000012\n:01000200AB\n");
  EXPECT_EQ(image.long_records, 1);
  EXPECT_EQ(image.short_records, 1);  // the second record's line holds one byte of two
  EXPECT_EQ(image.bytes[0], 0x12);
  EXPECT_EQ(image.bytes[2], 0xAB);
  EXPECT_EQ(image.data_count, 2);
  EXPECT_EQ(image.bytes[1], 0xFF);
}

// 100 MB of text that looks like HEX records, generated as it is read.
class EndlessHex final : public std::streambuf {
 public:
  explicit EndlessHex(std::size_t total) : left_(total) {
    line_ = ":10000000000102030405060708090A0B0C0D0E0F00\n";
  }

 protected:
  int_type underflow() override {
    if (left_ == 0) return traits_type::eof();
    std::size_t n = std::min(left_, line_.size());
    left_ -= n;
    setg(line_.data(), line_.data(), line_.data() + n);
    return traits_type::to_int_type(line_[0]);
  }

 private:
  std::size_t left_;
  std::string line_;
};

TEST(HexImage, HundredMegabytesAndBinaryBytesEndWithoutHarm) {
  EndlessHex source(100u << 20);
  std::istream in(&source);
  HexImage image = read_hex_image(in);
  EXPECT_GT(image.data_count, 65536);  // far more than any row's image: the size check refuses it
  EXPECT_EQ(image.bytes[15], 0x0F);

  HexImage binary = read_text(test::random_bytes(200000, 5));
  EXPECT_LE(binary.data_count, 200000 * 255);
}

TEST(WordIdentities, SumAndXorLeaveOutTrailingBytes) {
  const std::string bytes("\x01\x00\x00\x00\xFF\xFF\xFF\xFF\x10\x00\x00\x00\x07\x07", 14);
  std::istringstream a(bytes), b(bytes);
  WordIdentity sum = bin_identity(a);
  EXPECT_EQ(sum.words, 3u);
  EXPECT_EQ(sum.value, 0x10u);  // 1 + 0xFFFFFFFF wraps to 0, then 0x10
  WordIdentity x = samba_identity(b);
  EXPECT_EQ(x.value, 0xFFFFFFEEu);
}

TEST(LoaderTypes, UnknownIdentitiesAndBannersFallBackOrAreRefused) {
  EXPECT_EQ(find_loader_type(0x2345).speed, 9600);  // the first of the two 'E' rows
  const LoaderType& none = find_loader_type(0x9999);
  EXPECT_EQ(&none, &default_loader_type());
  EXPECT_EQ(none.image_size(), 262144u);
  EXPECT_EQ(find_loader_type(0).letter, '?');
  ASSERT_NE(loader_type_for_banner("Download E"), nullptr);
  EXPECT_EQ(loader_type_for_banner("Download E")->speed, 115200);
  EXPECT_EQ(loader_type_for_banner("Download sam256"), nullptr);
  EXPECT_EQ(loader_type_for_banner("Download "), nullptr);
}

}  // namespace
}  // namespace vexa
