// The server's side of a file listing: sent in pieces between reads, paced like any reply.
#include <algorithm>

#include "sim/board_server.h"

namespace vexa::sim {

namespace {
constexpr std::size_t kUnpacedPiece = 16384;
constexpr std::size_t kSmallestPacedPiece = 64;
}  // namespace

bool BoardServer::pump_listing(int fd, bool is_socket) {
  std::string bytes;
  long speed = 0;
  {
    std::lock_guard<std::mutex> lock(board_mutex_);
    BoardUploads& uploads = board_.uploads();
    if (!uploads.has_output()) return false;
    speed = board_.link_speed();
    // Paced: about a tenth of a second of the line per piece, so a stop is heard in time.
    const std::size_t piece = faults_.pace && speed > 0
                                  ? std::max<std::size_t>(kSmallestPacedPiece, static_cast<std::size_t>(speed) / 100)
                                  : kUnpacedPiece;
    bytes = uploads.take_output(piece);
  }
  const bool written = write_bytes(fd, bytes, is_socket, speed);
  std::lock_guard<std::mutex> lock(board_mutex_);
  if (!written) {
    board_.uploads().abort();
    return false;
  }
  board_.uploads().output_written();
  return board_.uploads().has_output();
}

}  // namespace vexa::sim
