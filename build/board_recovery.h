#pragma once
// The recovery bytes of the command line "recover" (the same as "Special 1"), sent on the
// download worker because they wait up to two seconds for the board.
#include "base/board_jobs.h"
#include "build/compile_tab.h"
#include "link/link_session.h"

namespace vexa {

class WorkerRecovery final : public BoardRecovery {
 public:
  WorkerRecovery(BoardJobs& jobs, LinkSession& link, const Messages& messages)
      : jobs_(jobs), link_(link), messages_(messages) {}
  // Refused with the gate's line while another board job runs.
  void send_recovery() override;

 private:
  BoardJobs& jobs_;
  LinkSession& link_;
  const Messages& messages_;
};

}  // namespace vexa
