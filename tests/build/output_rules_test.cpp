// The output pane's folding and limit, and the poll's partial-line rule, on exact byte streams.
#include <gtest/gtest.h>

#include "build/output_text.h"
#include "build/pipe_reader.h"

namespace vexa {
namespace {

TEST(OutputTextTest, LineEndsFoldToOneBreakControlsShowAsCaretsAndANulEndsTheAppend) {
  OutputText out;
  for (const char* piece : {"a\r\n", "b\n", "c\r\r\n", "d\r", "\ne\r\n\r\n"}) out.append(piece);
  EXPECT_EQ(out.text(), "a\r\nb\r\nc\r\nd\r\ne\r\n\r\n");
  out.clear();
  out.append(std::string("\x07\x01\t\x1b[0m\x7f\xe9", 9));
  out.append(std::string("x\0hidden", 8));
  EXPECT_EQ(out.text(), "^G^A\t^[[0m\x7f\xe9x");
}

TEST(OutputTextTest, AppendsStopAtTheLimitUntilCleared) {
  OutputText out;
  out.append(std::string(kOutputTextLimit - 1, 'x'));
  out.append("\n");  // a CR LF pair may end one past the limit
  EXPECT_EQ(out.text().size(), kOutputTextLimit + 1);
  const auto version = out.version();
  out.append("more");
  EXPECT_EQ(out.version(), version);
  EXPECT_EQ(out.text().size(), kOutputTextLimit + 1);
  out.clear();
  out.append(std::string(30000, 'y'));
  EXPECT_EQ(out.text().size(), kOutputTextLimit);
}

// A pipe fed by the test: bytes arrive when the test says so.
struct FakePipe {
  std::string ready;
  PipeReader::Fetch fetch() {
    return [this](std::string& out, std::size_t max) {
      const std::size_t n = std::min(max, ready.size());
      out.append(ready, 0, n);
      ready.erase(0, n);
      return n;
    };
  }
};

TEST(PipeReaderTest, CompleteLinesAtOnceAndAPartialLineOnePollLater) {
  PipeReader reader;
  FakePipe pipe;
  pipe.ready = "one\ntwo\nabc";
  EXPECT_EQ(reader.poll(pipe.fetch()), (std::vector<std::string>{"one\n", "two\n"}));
  EXPECT_TRUE(reader.partial());
  EXPECT_EQ(reader.poll(pipe.fetch()), (std::vector<std::string>{"abc"}));
  EXPECT_FALSE(reader.partial());
  EXPECT_TRUE(reader.poll(pipe.fetch()).empty());
  // The rest of a line that arrives before the next poll is taken whole.
  pipe.ready = "par";
  EXPECT_TRUE(reader.poll(pipe.fetch()).empty());
  pipe.ready = "tial\n";
  EXPECT_EQ(reader.poll(pipe.fetch()), (std::vector<std::string>{"partial\n"}));
}

TEST(PipeReaderTest, ALongLineWithoutLineEndComesInPeekSizedPieces) {
  PipeReader reader;
  FakePipe pipe;
  pipe.ready = std::string(2500, 'z');
  EXPECT_TRUE(reader.poll(pipe.fetch()).empty());
  std::vector<std::string> second = reader.poll(pipe.fetch());
  ASSERT_EQ(second.size(), 1u);  // taken, then the rest is seen anew
  EXPECT_EQ(second[0].size(), kPeekBytes);
  EXPECT_EQ(reader.poll(pipe.fetch())[0].size(), kPeekBytes);
  EXPECT_EQ(reader.poll(pipe.fetch())[0].size(), 2500 - 2 * kPeekBytes);
}

TEST(PipeReaderTest, APollTakesAtMostItsBudget) {
  PipeReader reader;
  FakePipe pipe;
  for (int i = 0; i < 100000; ++i) pipe.ready += "0123456789012345678901234567890\n";  // 3.2 MB
  std::size_t first = 0;
  for (const std::string& piece : reader.poll(pipe.fetch())) first += piece.size();
  EXPECT_GE(first, kPollBudgetBytes);
  EXPECT_LT(first, kPollBudgetBytes + kPeekBytes);
  std::size_t total = first;
  for (int i = 0; i < 10; ++i)
    for (const std::string& piece : reader.poll(pipe.fetch())) total += piece.size();
  EXPECT_EQ(total, 3200000u);
}

}  // namespace
}  // namespace vexa
