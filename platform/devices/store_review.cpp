#include "platform/devices/store_review.h"

#include <chrono>
#include <cstdio>

namespace dev {
namespace {
std::vector<double>& list() {
  static std::vector<double> requests;
  return requests;
}
}  // namespace

void StoreReviewController::requestReview() {
  const double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  list().push_back(now);
  std::fprintf(stderr, "store review requested (%zu in this session)\n", list().size());
}

const std::vector<double>& StoreReviewController::requests() { return list(); }

}  // namespace dev
