#include "support/scripted_port.h"

namespace vexa::test {

bool ScriptedPort::write(std::string_view data, bool text) {
  if (fail_writes || !open) return false;
  writes_.emplace_back(data);
  if (text)
    texts_.emplace_back(data);
  else
    bytes_.append(data);
  if (respond) queue(respond(data));
  return true;
}

int ScriptedPort::read_byte(int wait_ms) {
  if (!open) return kReadPortClosed;
  std::lock_guard lock(mutex_);
  if (input_.empty()) {
    waited_ms_ += wait_ms;
    return kReadTimedOut;
  }
  const int c = static_cast<unsigned char>(input_.front());
  input_.pop_front();
  return c;
}

long ScriptedPort::set_speed(long speed, SpeedNotice notice) {
  speed_changes_.push_back({speed, notice});
  const long before = current_speed;
  current_speed = speed;
  return before;
}

void ScriptedPort::pause_reading() { ++pauses_; }

void ScriptedPort::resume_reading() { --pauses_; }

void ScriptedPort::queue(std::string_view bytes) {
  std::lock_guard lock(mutex_);
  input_.insert(input_.end(), bytes.begin(), bytes.end());
}

void ScriptedPort::forget_writes() {
  writes_.clear();
  texts_.clear();
  bytes_.clear();
}

std::vector<long> ScriptedPort::speeds() const {
  std::vector<long> speeds;
  for (const SpeedChange& change : speed_changes_) speeds.push_back(change.speed);
  return speeds;
}

}  // namespace vexa::test
