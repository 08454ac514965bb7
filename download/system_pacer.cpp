#include <chrono>
#include <thread>

#include "download/download_port.h"

namespace vexa {

void SystemPacer::sleep_ms(int ms) const {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t SystemPacer::clock_ms() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::time_t SystemPacer::calendar_seconds() const { return std::time(nullptr); }

const SystemPacer& SystemPacer::instance() {
  static const SystemPacer pacer;
  return pacer;
}

}  // namespace vexa
