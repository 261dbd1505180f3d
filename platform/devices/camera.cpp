#include "platform/devices/camera.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string_view>

#include "support/environment_setting.h"

namespace dev {
namespace {

const std::map<std::string, std::pair<int, int>>& presets() {
  static const std::map<std::string, std::pair<int, int>> sizes = {
      {"AVCaptureSessionPreset1920x1080", {1920, 1080}}, {"AVCaptureSessionPreset1280x720", {1280, 720}},
      {"AVCaptureSessionPreset640x480", {640, 480}},     {"AVCaptureSessionPresetHigh", {1280, 720}},
      {"AVCaptureSessionPresetMedium", {480, 360}},      {"AVCaptureSessionPresetLow", {192, 144}}};
  return sizes;
}

}  // namespace

void CaptureDevice::requestAccess(std::function<void(bool)> completion) {
  requestAuthorization(Service::camera, [completion](AuthorizationStatus s) {
    if (completion) completion(isAuthorized(s));
  });
}

std::shared_ptr<CaptureDevice> CaptureDevice::defaultVideoDevice() {
  if (const char* camera = std::getenv("TESSALY_CAMERA"); camera && std::string_view(camera) == "none") return nullptr;
  auto device = std::make_shared<CaptureDevice>();
  if (const std::string fov = environmentValue("TESSALY_CAMERA_FOV"); !fov.empty()) {
    if (const auto value = numberInRange(fov, 1, 179)) device->fieldOfView_ = *value;
    else
      reportUnusableSetting("TESSALY_CAMERA_FOV", fov, "a field of view from 1 to 179 degrees",
                            settingNumberText(device->fieldOfView_));
  }
  return device;
}

CaptureSession::~CaptureSession() { stopRunning(); }

bool CaptureSession::canSetSessionPreset(const std::string& preset) const { return presets().count(preset) > 0; }

bool CaptureSession::setSessionPreset(const std::string& preset) {
  if (!canSetSessionPreset(preset) || running_) return false;
  preset_ = preset;
  return true;
}

bool CaptureSession::addInput(std::shared_ptr<CaptureDevice> device) {
  if (!device || running_) return false;
  input_ = std::move(device);
  return true;
}

void CaptureSession::setVideoOutput(VideoOutputDelegate* delegate, ns::SerialQueue* queue) {
  delegate_ = delegate;
  queue_ = queue;
}

std::size_t CaptureSession::frameWidth() const { return std::size_t(presets().at(preset_).first); }
std::size_t CaptureSession::frameHeight() const { return std::size_t(presets().at(preset_).second); }

void CaptureSession::startRunning() {
  if (running_ || !input_ || !delegate_ || !queue_ || !isAuthorized(CaptureDevice::authorizationStatus())) return;
  running_ = true;
  const std::size_t w = frameWidth(), h = frameHeight();
  VideoOutputDelegate* delegate = delegate_;
  ns::SerialQueue* queue = queue_;
  const bool discardLate = alwaysDiscardsLateVideoFrames;
  producer_ = std::thread([this, w, h, delegate, queue, discardLate] {
    const auto start = std::chrono::steady_clock::now();
    for (std::uint64_t index = 0; running_; ++index) {
      if (discardLate && queue->pendingCount() > 0) {
        std::this_thread::sleep_until(start + std::chrono::microseconds((index + 1) * 33333));
        continue;
      }
      auto frame = std::make_shared<CameraFrame>();
      frame->width = w, frame->height = h, frame->bytesPerRow = w * 4, frame->index = index;
      frame->timestamp = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      frame->bgra.resize(w * h * 4);
      const std::size_t bar = (index * 8) % w;
      for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x) {
          std::uint8_t* p = &frame->bgra[(y * w + x) * 4];
          const bool onBar = x >= bar && x < bar + 8;
          p[0] = onBar ? 255 : std::uint8_t(200 - 120 * y / h);  // blue
          p[1] = onBar ? 255 : std::uint8_t(120 - 80 * y / h);
          p[2] = onBar ? 255 : std::uint8_t(40);
          p[3] = 255;
        }
      queue->async([delegate, frame] { delegate->didOutputFrame(*frame); });
      std::this_thread::sleep_until(start + std::chrono::microseconds((index + 1) * 33333));
    }
  });
}

void CaptureSession::stopRunning() {
  if (!running_) return;
  running_ = false;
  if (producer_.joinable()) producer_.join();
}

}  // namespace dev
