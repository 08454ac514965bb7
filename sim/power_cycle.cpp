// What the simulated board keeps when its power goes off and on: the flash written so far.
#include "sim/board_loader.h"
#include "sim/samba_session.h"

namespace vexa::sim {

void BoardLoader::power_cycle() {
  if (active_) leave();
}

void SambaSession::power_cycle() {
  line_.clear();
  if (active_) chip_reset();
}

}  // namespace vexa::sim
