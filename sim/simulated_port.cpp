#include "sim/simulated_port.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/board_configuration.h"

namespace vexa::sim {

SimulatedPort::~SimulatedPort() { stop(); }

std::string SimulatedPort::start(char letter) {
  stop();
  char pattern[] = "/tmp/vexaterm-sim-XXXXXX";
  if (!::mkdtemp(pattern)) return std::string("no temporary folder: ") + std::strerror(errno);
  directory_ = pattern;
  BoardKind kind;
  kind.type = letter;
  identity_line_ = kind.identity_line();
  server_ = std::make_unique<BoardServer>(BoardConfiguration(kind));
  const std::string path = directory_ + "/board";
  if (std::string error = server_->start_pty(path); !error.empty()) {
    stop();
    return error;
  }
  server_->with_board([&](SimulatedBoard& board) { speed_ = board.link_speed(); });
  link_name_ = path;
  return {};
}

void SimulatedPort::stop() {
  if (server_) server_->stop();
  server_.reset();
  if (!directory_.empty()) ::rmdir(directory_.c_str());
  directory_.clear();
  link_name_.clear();
}

}  // namespace vexa::sim
