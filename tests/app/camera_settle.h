// Runs an application session's loop until the camera overlay's queues
// have done what was asked of them.
#pragma once

#include <functional>

#include "app/camera_overlay.h"
#include "tests/app/app_session.h"

namespace app_test {

inline void drainCameraQueues(CameraOverlay& camera) {
  if (camera.sessionQueue()) camera.sessionQueue()->sync([] {});
  if (camera.captureQueue()) camera.captureQueue()->sync([] {});
}

// A refresh at a time, the camera's queues drained after each, until
// `done` holds: every refresh in the sky view draws a full frame, so the
// test waits for what it expects (the loop's limit is spent only when
// that never comes). Returns whether it came.
inline bool settle(AppSession& session, CameraOverlay& camera, const std::function<bool()>& done) {
  return session.runUntil(
      [&] {
        drainCameraQueues(camera);
        return done();
      },
      10.0);
}

// A fixed stretch of the loop, for what must not happen.
inline void settleFor(AppSession& session, CameraOverlay& camera, double seconds) {
  session.runUntil(
      [&] {
        drainCameraQueues(camera);
        return false;
      },
      seconds);
  drainCameraQueues(camera);
}

}  // namespace app_test
