#pragma once
// Each board job as the desktop runs it, for the fault table: how it starts, when it has
// ended, when it is far enough for the board to vanish in the middle, how the next run goes
// on from where a cut one stopped, and what it must have kept.
#include <functional>
#include <string>

#include "faults/fault_rig.h"

namespace vexa::test {

enum class Job { conf_load, conf_download, firmware, samba, card, upload, factory };

struct JobDriver {
  Job job;
  const char* name;
  RigBoard board;
  // Runs before the faults are switched on (a configuration download needs the board's table).
  std::function<void(FaultRig&)> prepare;
  // Starts the job as its command does; false when it was refused.
  std::function<bool(FaultRig&, bool again)> start;
  std::function<bool(FaultRig&)> ended;
  // The job is well under way: the board vanishes now.
  std::function<bool(FaultRig&)> midway;
  // After a faulted run: what the job lost or got wrong that it should have kept (empty: nothing).
  std::function<std::string(FaultRig&)> kept_wrong;
  // After the next run without faults: what is not complete (empty: all there).
  std::function<std::string(FaultRig&)> complete_wrong;
  // The longest a run may take, faults included (a hang guard, not a time limit).
  int guard_ms;
  // How often the window thread's duties run (the factory test counts its windows in them).
  int tick_ms = 20;
};

const JobDriver& job_driver(Job job);

}  // namespace vexa::test
