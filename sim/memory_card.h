#pragma once
// The simulated board's memory card, a host folder: "fd NAME" opens NAME there (created
// empty), "fd +HEX" appends a chunk whose last byte is the low 8 bits of the others' sum, and
// "fd !BYTES SUM" closes it when the totals agree. Each is answered "Ok" only when it holds;
// otherwise an "Error ..." line.
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace vexa::sim {

struct CardOptions {
  std::string folder;          // empty: the board has no card
  bool upper_ack = false;      // chunks answered "OK" LF instead of "Ok" CR LF
  int stall_from_chunk = 0;    // from this chunk line on (1-based), answer "ok" without LF
  int lose_ack_chunk = 0;      // this chunk line alone (1-based, resends count): "ok" without LF
  int vanish_after_chunks = 0; // the board goes away after this many chunk lines (0: never)
};

class MemoryCard {
 public:
  void configure(const CardOptions& options) { options_ = options; }
  // The raw reply to an "fd" line, or nothing when line is no "fd" command.
  std::optional<std::string> execute(std::string_view line);

  int chunks_received() const { return chunks_; }
  // Power off and on (power_cycle.cpp): an open file ends unclosed; a vanish fault is spent.
  void power_cycle();
  bool closed_well() const { return closed_well_; }
  bool vanished() const { return options_.vanish_after_chunks > 0 && chunks_ >= options_.vanish_after_chunks; }

 private:
  std::string chunk(std::string_view hex);
  std::string close(std::string_view totals);

  CardOptions options_;
  std::ofstream file_;
  std::int64_t bytes_ = 0;
  std::int64_t sum_ = 0;
  int chunks_ = 0;
  bool closed_well_ = false;
};

}  // namespace vexa::sim
