// Misuse that Metal refuses (its validation layer stops the program) throws
// ValidationError here, so tests can see every refusal.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/metal/message.h"

namespace mtl {

class ValidationError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

[[noreturn]] inline void failValidation(std::string message) {
  throw ValidationError(message);
}

// Checks run on every state change and draw, so the message is given as
// parts (see message.h) and assembled only when the check fails.
template <typename... Parts>
inline void require(bool condition, const Parts&... parts) {
  if (!condition) [[unlikely]]
    failValidation(joinParts(parts...));
}

}  // namespace mtl
