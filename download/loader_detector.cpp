#include "download/loader_detector.h"

namespace vexa {

LoaderDetector::LoaderDetector(LoaderTarget& target, std::string product_name)
    : target_(target), product_name_(std::move(product_name)) {}

bool LoaderDetector::check(std::string_view line) {
  const LoaderType* row = loader_type_for_banner(line);
  {
    std::lock_guard lock(mutex_);
    if (!row) {
      if (misses_ <= kBannerMissLimit) ++misses_;
      if (misses_ > kBannerMissLimit) detected_ = nullptr;
      return false;
    }
    detected_ = row;
    misses_ = 0;
  }
  target_.loader_recognised(row->letter, product_name_ + " " + row->letter + " download");
  return true;
}

const LoaderType* LoaderDetector::detected() const {
  std::lock_guard lock(mutex_);
  return detected_;
}

int LoaderDetector::misses() const {
  std::lock_guard lock(mutex_);
  return misses_;
}

void LoaderDetector::forget() {
  std::lock_guard lock(mutex_);
  detected_ = nullptr;
}

}  // namespace vexa
