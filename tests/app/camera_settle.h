// Runs an application session's loop until the camera overlay's queues
// have done what was asked of them.
#pragma once

#include "app/camera_overlay.h"
#include "tests/app/app_session.h"

namespace app_test {

inline void settle(AppSession& session, CameraOverlay& camera) {
  for (int i = 0; i < 10; ++i) {
    session.run(0.1);
    if (camera.sessionQueue()) camera.sessionQueue()->sync([] {});
    if (camera.captureQueue()) camera.captureQueue()->sync([] {});
  }
}

}  // namespace app_test
