#include "platform/devices/motion.h"

#include <algorithm>
#include <cmath>

#include "platform/uikit/window.h"

namespace dev {
namespace {

constexpr double kPi = 3.14159265358979323846;
// A held direction's altitude stays this far (radians) from ±90 degrees:
// the head-up display still reads 90.0, and the direction keeps its
// azimuth.
constexpr double kHeldAltitudeLimit = kPi / 2 - 1e-8;

Attitude& injected() {
  static Attitude attitude;
  return attitude;
}

}  // namespace

void Attitude::rotationMatrix(double m[3][3]) const {
  const double cr = std::cos(roll), sr = std::sin(roll), cp = std::cos(pitch), sp = std::sin(pitch),
               cy = std::cos(yaw), sy = std::sin(yaw);
  m[0][0] = cy * cr - sy * sp * sr, m[0][1] = sy * cr + cy * sp * sr, m[0][2] = -cp * sr;
  m[1][0] = -sy * cp, m[1][1] = cy * cp, m[1][2] = sp;
  m[2][0] = cy * sr + sy * sp * cr, m[2][1] = sy * sr - cy * sp * cr, m[2][2] = cp * cr;
}

MotionManager::MotionManager() = default;
MotionManager::~MotionManager() { stopDeviceMotionUpdates(); }

void MotionManager::injectAttitude(const Attitude& attitude) {
  if (std::isfinite(attitude.roll) && std::isfinite(attitude.pitch) && std::isfinite(attitude.yaw))
    injected() = attitude;
}

Attitude MotionManager::injectedAttitude() { return injected(); }

void MotionManager::holdFacing(double azimuth, double altitude) {
  if (!std::isfinite(azimuth) || !std::isfinite(altitude)) return;
  altitude = std::clamp(altitude, -kHeldAltitudeLimit, kHeldAltitudeLimit);
  Attitude a;
  // Upright, the device pitches up from lying face down; on its side it
  // rolls up instead, keeping its long edges level.
  if (ui::isLandscape(ui::Device::current().orientation())) {
    a.roll = kPi / 2 + altitude;
    a.yaw = std::remainder(kPi - azimuth, 2 * kPi);
  } else {
    a.pitch = kPi / 2 + altitude;
    a.yaw = std::atan2(-std::cos(azimuth), -std::sin(azimuth));
  }
  injected() = a;
}

void MotionManager::turnHeld(double azimuth, double altitude) {
  double m[3][3];
  injected().rotationMatrix(m);
  const double x = -m[2][0], y = m[2][1], z = -m[2][2];
  holdFacing(std::atan2(y, x) + azimuth, std::atan2(z, std::hypot(x, y)) + altitude);
}

void MotionManager::startDeviceMotionUpdates(std::function<void(const DeviceMotion&)> handler) {
  active_ = true;
  if (timer_) timer_->invalidate();
  if (!handler) return;
  const double interval = deviceMotionUpdateInterval > 0 ? deviceMotionUpdateInterval : 1.0 / 30;
  timer_ = ns::RunLoop::main().scheduleTimer(interval, true, [this, handler](ns::Timer&) {
    if (auto motion = deviceMotion()) handler(*motion);
  });
}

void MotionManager::stopDeviceMotionUpdates() {
  active_ = false;
  if (timer_) timer_->invalidate();
  timer_.reset();
}

std::optional<DeviceMotion> MotionManager::deviceMotion() const {
  if (!active_) return std::nullopt;
  DeviceMotion m;
  m.attitude = injected();
  double r[3][3];
  m.attitude.rotationMatrix(r);
  // Gravity points down the world's z axis, seen from the device.
  m.gravity[0] = -r[0][2], m.gravity[1] = -r[1][2], m.gravity[2] = -r[2][2];
  m.timestamp = ns::RunLoop::main().now();
  return m;
}

}  // namespace dev
