// Device motion: the attitude is injected (a touch script, tests) or the
// device is held facing a direction and turned by steps (the hosts' arrow
// keys); updates come on the main run loop at the requested interval.
// Directions are those the readings give: the azimuth and altitude of
// (-r3.x, r3.y, -r3.z), r3 the attitude matrix's third row.
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
  // The device held up with its back towards (azimuth, altitude), radians,
  // level in the device's orientation (its screen's horizontal is the
  // horizon's). The altitude stops just short of the zenith and the nadir,
  // where a direction would lose its azimuth.
  static void holdFacing(double azimuth, double altitude);
  // The held device turned by steps from where its back points: the
  // azimuth grows to the right, the altitude upwards.
  static void turnHeld(double azimuth, double altitude);

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
