#pragma once
// A wake-up that another thread can give to a thread waiting in poll(): an eventfd whose
// descriptor joins the waiter's poll set. A wake given while nobody waits is kept until the
// waiter takes it with drain(), so it is never lost; one never taken ends every wait for good
// (the ports' interrupt before a close).
namespace vexa {

class WakeEvent {
 public:
  WakeEvent();
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  // The descriptor to poll for POLLIN; -1 when the system gave none (then waits run their time).
  int descriptor() const { return fd_; }
  void signal();
  // Takes the pending wakes; true when there was one.
  bool drain();
  // Waits up to wait_ms for a wake (and takes it); true when one came.
  bool wait(int wait_ms);

 private:
  int fd_ = -1;
};

}  // namespace vexa
