#include "support/scripted_port.h"

namespace vexa::test {

bool ScriptedPort::write(std::string_view data, bool text) {
  if (!open) return false;
  writes_.emplace_back(data);
  if (!text) bytes_.append(data);
  if (respond) queue(respond(data));
  return true;
}

int ScriptedPort::read_byte(int) {
  if (!open) return kReadPortClosed;
  std::lock_guard lock(mutex_);
  if (input_.empty()) return kReadTimedOut;
  const int c = static_cast<unsigned char>(input_.front());
  input_.pop_front();
  return c;
}

long ScriptedPort::set_speed(long speed, SpeedNotice) {
  speeds_.push_back(speed);
  const long before = current_speed;
  current_speed = speed;
  return before;
}

void ScriptedPort::queue(std::string_view bytes) {
  std::lock_guard lock(mutex_);
  input_.insert(input_.end(), bytes.begin(), bytes.end());
}

void ScriptedPort::forget_writes() {
  writes_.clear();
  bytes_.clear();
}

}  // namespace vexa::test
