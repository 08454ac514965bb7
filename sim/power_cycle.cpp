// What the simulated board keeps when its power goes off and on: the flash written so far and
// the card's files; a vanish fault that fired does not fire again.
#include "sim/board_loader.h"
#include "sim/download_side.h"
#include "sim/memory_card.h"
#include "sim/samba_session.h"

namespace vexa::sim {

void BoardLoader::power_cycle() {
  if (active_) leave();
  options_.vanish_after_pages = 0;
}

void MemoryCard::power_cycle() {
  if (file_.is_open()) file_.close();
  options_.vanish_after_chunks = 0;
}

void DownloadSide::power_cycle() {
  loader_.power_cycle();
  card_.power_cycle();
}

void SambaSession::power_cycle() {
  line_.clear();
  if (active_) chip_reset();
}

}  // namespace vexa::sim
