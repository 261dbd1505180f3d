// The camera: authorisation, a capture session with presets, a video
// output that hands synthetic BGRA frames (a sky-blue gradient with a bar
// that moves) to its delegate on the queue it was given, 30 a second.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/devices/authorization.h"
#include "platform/foundation/serial_queue.h"

namespace dev {

struct CameraFrame {
  std::size_t width = 0, height = 0, bytesPerRow = 0;
  std::vector<std::uint8_t> bgra;
  double timestamp = 0;  // seconds since the session started
  std::uint64_t index = 0;
};

class VideoOutputDelegate {
 public:
  virtual ~VideoOutputDelegate() = default;
  virtual void didOutputFrame(const CameraFrame& frame) = 0;
};

class CaptureDevice {
 public:
  static AuthorizationStatus authorizationStatus() { return dev::authorizationStatus(Service::camera); }
  static void requestAccess(std::function<void(bool)> completion);
  // The back camera; its field of view is TESSALY_CAMERA_FOV degrees (63.4).
  // Null on a machine without one (TESSALY_CAMERA=none).
  static std::shared_ptr<CaptureDevice> defaultVideoDevice();
  double fieldOfView() const { return fieldOfView_; }

 private:
  double fieldOfView_ = 63.4;
};

class CaptureSession {
 public:
  CaptureSession() = default;
  ~CaptureSession();
  // "AVCaptureSessionPreset1920x1080", "...1280x720", "...640x480",
  // "AVCaptureSessionPresetHigh", "...Medium", "...Low".
  bool canSetSessionPreset(const std::string& preset) const;
  bool setSessionPreset(const std::string& preset);
  const std::string& sessionPreset() const { return preset_; }
  bool addInput(std::shared_ptr<CaptureDevice> device);
  void setVideoOutput(VideoOutputDelegate* delegate, ns::SerialQueue* queue);
  // A frame is dropped, not queued, while the queue still holds one (set
  // before starting).
  bool alwaysDiscardsLateVideoFrames = false;
  // Starts producing frames (nothing without authorisation or input).
  void startRunning();
  void stopRunning();
  bool isRunning() const { return running_; }
  std::size_t frameWidth() const;
  std::size_t frameHeight() const;

 private:
  std::string preset_ = "AVCaptureSessionPresetHigh";
  std::shared_ptr<CaptureDevice> input_;
  VideoOutputDelegate* delegate_ = nullptr;
  ns::SerialQueue* queue_ = nullptr;
  std::atomic<bool> running_{false};
  std::thread producer_;
};

}  // namespace dev
