#pragma once
// Copying a PC file onto the board's memory card: "fd NAME" opens the target, each chunk of
// up to 27 bytes goes as "fd +" with its bytes and checksum in hexadecimal and must be
// acknowledged with "ok" and LF, and "fd !BYTES SUM" closes the file. Failed chunks are sent
// up to three times; a penalty that rises with every failure ends a transfer that no longer
// gets through.
#include <cstdint>
#include <string>
#include <string_view>

#include "download/download_context.h"

namespace vexa {

inline constexpr std::size_t kCardChunkBytes = 27;
inline constexpr int kCardFirstReplyWaitMs = 1000;
inline constexpr int kCardNextReplyWaitMs = 200;
inline constexpr int kCardDrainReads = 100;
inline constexpr int kCardDrainWaitMs = 10;
inline constexpr int kCardSendsPerChunk = 3;
inline constexpr int kCardPenaltyStep = 3;
inline constexpr int kCardPenaltyLimit = 100;

// "fd +" followed by the bytes and the low 8 bits of their sum, as upper-case hex pairs.
std::string card_chunk_line(std::string_view chunk);

struct CardTransferResult {
  bool opened = false;    // the board acknowledged "fd NAME"
  bool closed = false;    // "fd !" was sent
  bool closed_ok = false; // and the board acknowledged the totals
  std::int32_t bytes = 0;
  std::int32_t sum = 0;
  int retries = 0;
  int given_up = 0;       // chunks not acknowledged after their last send

  // The whole file reached the card: every chunk and the totals acknowledged, retries or not.
  bool arrived() const { return closed_ok && given_up == 0; }
};

CardTransferResult card_transfer(const DownloadContext& context, const std::string& host_path,
                                 const std::string& target_name);

}  // namespace vexa
