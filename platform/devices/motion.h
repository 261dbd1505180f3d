// Device motion: the attitude is injected (the desktop host's arrow keys,
// a touch script, tests); updates come on the main run loop at the
// requested interval.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/foundation/run_loop.h"

namespace dev {

struct Attitude {
  double roll = 0, pitch = 0, yaw = 0;  // radians
  // The rotation matrix of the attitude (rows), yaw about z, then pitch
  // about x, then roll about y, as the platform composes them.
  void rotationMatrix(double m[3][3]) const;
};

struct DeviceMotion {
  Attitude attitude;
  double gravity[3] = {0, 0, -1};
  double timestamp = 0;
};

class MotionManager {
 public:
  MotionManager();
  ~MotionManager();
  static bool deviceMotionAvailable() { return true; }
  static void injectAttitude(const Attitude& attitude);
  static Attitude injectedAttitude();
  // Turns the injected attitude by steps (the desktop host's arrow keys).
  static void nudge(double yaw, double pitch);

  double deviceMotionUpdateInterval = 1.0 / 30;
  bool isDeviceMotionActive() const { return active_; }
  void startDeviceMotionUpdates(std::function<void(const DeviceMotion&)> handler = {});
  void stopDeviceMotionUpdates();
  std::optional<DeviceMotion> deviceMotion() const;

 private:
  bool active_ = false;
  std::shared_ptr<ns::Timer> timer_;
};

}  // namespace dev
