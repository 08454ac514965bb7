#pragma once
// A simulated board on a pseudo-terminal in a temporary folder of its own, for a front end's
// --simulate: the link name to open and the speed the board talks at. The folder goes with it.
#include <memory>
#include <string>

#include "base/board_simulator.h"
#include "sim/board_server.h"

namespace vexa::sim {

class SimulatedPort final : public BoardSimulator {
 public:
  SimulatedPort() = default;
  ~SimulatedPort() override;
  SimulatedPort(const SimulatedPort&) = delete;
  SimulatedPort& operator=(const SimulatedPort&) = delete;

  // Starts a board of type letter ('E', 'F' or 'S'); the reason when it could not.
  [[nodiscard]] std::string start(char letter) override;
  void stop() override;

  const std::string& link_name() const override { return link_name_; }
  long speed() const override { return speed_; }
  // 'VexaLog S v1404' of the simulated board.
  const std::string& identity_line() const override { return identity_line_; }
  BoardServer* server() { return server_.get(); }

 private:
  std::unique_ptr<BoardServer> server_;
  std::string directory_;
  std::string link_name_;
  std::string identity_line_;
  long speed_ = 9600;
};

}  // namespace vexa::sim
