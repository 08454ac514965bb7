#include "build/board_recovery.h"

#include "link/debug_commands.h"

namespace vexa {

void WorkerRecovery::send_recovery() {
  LinkSession& link = link_;
  jobs_.start_worker(messages_.message("VtRecoverJob"),
                     [&link](const JobControl&) { special_probe(link.port(), link.board_port()); });
}

}  // namespace vexa
