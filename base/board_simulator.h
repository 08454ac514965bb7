#pragma once
// A simulated board that a front end starts for --simulate. The program that links the
// simulator makes one and hands it to its window, so the front end itself never names it.
#include <string>

namespace vexa {

class BoardSimulator {
 public:
  virtual ~BoardSimulator() = default;
  // Starts a board of type letter ('E', 'F' or 'S'); the reason when it could not.
  [[nodiscard]] virtual std::string start(char letter) = 0;
  virtual void stop() = 0;
  // The link name to open, the speed the board talks at, and its identity line.
  virtual const std::string& link_name() const = 0;
  virtual long speed() const = 0;
  virtual const std::string& identity_line() const = 0;
};

}  // namespace vexa
