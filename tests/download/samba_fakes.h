#pragma once
// In-process stand-ins for the SAM-BA tests: a port wired straight to the simulated board's
// SAM-BA side (no pty, no real waits), with a hook that may change each reply, and a status
// row that records.
#include <functional>
#include <string>

#include "download/samba_wire.h"
#include "download_fakes.h"
#include "sim/samba_session.h"

namespace vexa::test {

// The scripted port wired to the simulated board's SAM-BA side: each write is fed to it and
// its reply queued.
class MonitorPort final : public ScriptedPort {
 public:
  // tamper(sent, reply) returns what the host gets for the bytes it sent.
  using Tamper = std::function<std::string(std::string_view sent, std::string reply)>;

  explicit MonitorPort(sim::SambaOptions options = {}) : session_(std::move(options)) {
    respond = [this](std::string_view sent) {
      std::string reply = session_.feed(sent, 0).reply;
      return tamper_ ? tamper_(sent, std::move(reply)) : reply;
    };
  }

  void set_tamper(Tamper tamper) { tamper_ = std::move(tamper); }
  sim::SambaSession& session() { return session_; }
  sim::SambaChip& chip() { return session_.monitor()->chip(); }

 private:
  sim::SambaSession session_;
  Tamper tamper_;
};

// A port on which nothing ever answers.
using SilentPort = ScriptedPort;

}  // namespace vexa::test
