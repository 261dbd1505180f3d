#include "platform/devices/motion.h"

#include <algorithm>
#include <cmath>

namespace dev {
namespace {
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

void MotionManager::nudge(double yaw, double pitch) {
  Attitude a = injected();
  a.yaw = std::remainder(a.yaw + yaw, 2 * 3.14159265358979323846);
  a.pitch = std::clamp(a.pitch + pitch, -1.5707963267948966, 1.5707963267948966);
  injected() = a;
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
