#include "platform/host/arrow_keys.h"

#include "platform/devices/motion.h"

namespace host {

void pressArrowKey(ArrowKey key) {
  constexpr double kStep = kArrowKeyStepDegrees * 3.14159265358979323846 / 180;
  switch (key) {
    case ArrowKey::up: dev::MotionManager::turnHeld(0, kStep); break;
    case ArrowKey::down: dev::MotionManager::turnHeld(0, -kStep); break;
    case ArrowKey::left: dev::MotionManager::turnHeld(-kStep, 0); break;
    case ArrowKey::right: dev::MotionManager::turnHeld(kStep, 0); break;
  }
}

}  // namespace host
