// Misuse that Metal refuses (its validation layer stops the program) throws
// ValidationError here, so tests can see every refusal.
#pragma once

#include <stdexcept>
#include <string>

namespace mtl {

class ValidationError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

inline void require(bool condition, const std::string& message) {
  if (!condition) throw ValidationError(message);
}

}  // namespace mtl
