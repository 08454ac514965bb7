#include "download/card_transfer.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>

#include "base/text_format.h"

namespace vexa {

namespace {

// "o", "k", an optional CR, then LF, in any letter case.
bool chunk_acknowledged(BoardPort& port) {
  if (std::tolower(port.read_byte(kCardFirstReplyWaitMs)) != 'o') return false;
  if (std::tolower(port.read_byte(kCardNextReplyWaitMs)) != 'k') return false;
  int c = port.read_byte(kCardNextReplyWaitMs);
  if (c == '\r') c = port.read_byte(kCardNextReplyWaitMs);
  return c == '\n';
}

// Echo suppression on for a scope (unless verbose), and off again on every way out.
class EchoQuiet {
 public:
  explicit EchoQuiet(BoardChannel& channel) : channel_(channel) {}
  ~EchoQuiet() { channel_.set_echo_suppressed(false); }
  void on() { channel_.set_echo_suppressed(true); }

 private:
  BoardChannel& channel_;
};

}  // namespace

std::string card_chunk_line(std::string_view chunk) {
  std::string line = "fd +";
  unsigned sum = 0;
  for (char c : chunk) {
    const unsigned byte = static_cast<unsigned char>(c);
    line += format_text("%02X", byte);
    sum += byte;
  }
  line += format_text("%02X", sum & 0xFF);
  return line;
}

CardTransferResult card_transfer(const DownloadContext& context, const std::string& host_path,
                                 const std::string& target_name) {
  CardTransferResult result;
  BoardPort& port = context.port;
  std::ifstream file(host_path, std::ios::binary);
  auto finish = [&](JobOutcome outcome) { context.control.finish({outcome, "VtWhatCard", target_name}); };
  if (!file) {
    context.print(context.text("MerOp") + " " + host_path);
    finish(JobOutcome::failed);
    return result;
  }
  file.seekg(0, std::ios::end);
  const long size = static_cast<long>(std::max<std::streamoff>(file.tellg(), 0));
  file.seekg(0);
  context.control.progress(JobUnit::bytes, 0, size);
  EchoQuiet quiet(context.channel);
  if (!context.channel.send_and_wait_ok("fd " + target_name)) {
    finish(JobOutcome::failed);
    return result;
  }
  result.opened = true;
  const bool echo_off = !context.verbose;
  if (echo_off) quiet.on();

  int penalty = 0;
  bool ended = false;
  std::unique_ptr<ReadingPause> pause;
  char buffer[kCardChunkBytes];
  while (!ended) {
    file.read(buffer, sizeof buffer);
    const std::size_t length = static_cast<std::size_t>(file.gcount());
    if (length == 0) break;
    const std::string_view chunk(buffer, length);
    std::string line = card_chunk_line(chunk);
    result.bytes += static_cast<std::int32_t>(length);
    for (char c : chunk) result.sum += static_cast<unsigned char>(c);
    if (!echo_off) context.print(line);
    if (!pause) pause = std::make_unique<ReadingPause>(port);
    line.push_back('\n');
    if (penalty > 0) --penalty;

    for (int send = 0; send < kCardSendsPerChunk; ++send) {
      if (!port.write_bytes(line)) {
        context.print(context.text("MerWrite"));
        ended = true;
        break;
      }
      if (chunk_acknowledged(port)) {
        context.status.set_progress(format_text("%d", result.bytes));
        context.control.progress(JobUnit::bytes, result.bytes, size);
        if (context.stopped()) ended = true;
        break;
      }
      for (int i = 0; i < kCardDrainReads; ++i) port.read_byte(kCardDrainWaitMs);
      penalty += kCardPenaltyStep;
      ++result.retries;
      if (penalty >= kCardPenaltyLimit) {
        context.print(no_reply_text(context, kCardPenaltyLimit, static_cast<int>(length)));
        ended = true;
        break;
      }
      if (send + 1 == kCardSendsPerChunk) ++result.given_up;
    }
  }
  if (!ended) {
    context.channel.set_echo_suppressed(false);
    pause.reset();
    result.closed_ok = context.channel.send_and_wait_ok(format_text("fd !%d %d", result.bytes, result.sum));
    result.closed = true;
  }
  pause.reset();
  context.channel.set_echo_suppressed(false);
  if (result.retries > 0) context.print(format_text("Download: %d retries", result.retries));
  // Its count is what went out; an empty file that reached the card has sent all of its none.
  context.control.progress(JobUnit::bytes, result.bytes, size);
  if (result.arrived())
    finish(JobOutcome::done);
  else
    finish(ended && context.stopped() ? JobOutcome::stopped : JobOutcome::failed);
  return result;
}

}  // namespace vexa
