// The rating prompt: a request is logged and recorded (the host has no
// store); tests read the record.
#pragma once

#include <vector>

namespace dev {

class StoreReviewController {
 public:
  static void requestReview();
  // Seconds since 1970 of every request in this process.
  static const std::vector<double>& requests();
};

}  // namespace dev
