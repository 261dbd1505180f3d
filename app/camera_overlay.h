// The live camera picture under the chart: the capture session of the back
// camera, and each frame turned to the screen's orientation and given a
// per-pixel opacity (faded out above the horizon and where the picture
// looks like sky), kept as BGRA rows for the chart renderer.
//
// The chart screen's controller owns one, gives it the chart view's lock
// (the lock drawing holds), the chart's horizon fade and itself as the
// delegate, and answers the chart renderer's camera questions from it.
//
// Thread rules: construction, set-up, start, stop, orientation and every
// delegate message on the main thread; configuration and the release at
// stop on the serial "session queue"; frames on the serial "captureQueue".
// Every write of the picture, its release included, holds the chart view's
// lock, and so must every read. The renderer's upload also takes
// cameraFrameMutex() (skydata/app_bridge.h), the camera-texture mutex.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/devices/camera.h"
#include "platform/foundation/serial_queue.h"

enum class CameraSetupResult : std::int64_t { success = 0, notAuthorized = 1, configurationFailed = 2 };

// What the chart screen hears of the camera (main thread).
class CameraOverlayDelegate {
 public:
  virtual ~CameraOverlayDelegate() = default;
  // The configuration has run, or was skipped for want of access.
  virtual void cameraSetupFinished(CameraSetupResult result) = 0;
  // The session has started: the chart takes the camera's (gnomonic)
  // projection, the pan recogniser goes on, the zoom buttons and the
  // time-flow panel go away, the blending hint shows.
  virtual void cameraSessionStarted() = 0;
  // The session is being stopped (its picture is released right after, on
  // the session queue): the chart screen undoes what it did at the start.
  virtual void cameraSessionStopping() = 0;
};

// The chart's horizon fade as frame processing uses it; called on the
// capture queue holding the chart view's lock.
class CameraFade {
 public:
  virtual ~CameraFade() = default;
  // A grid of columns x rows cells over the chart's viewport; false when
  // none could be built.
  virtual bool buildHorizonFadeGrid(int columns, int rows) = 0;
  // Opacity 0 to 255 of a pixel at (x, y) in grid cells, from its colour
  // components (0 to 255).
  virtual float cameraPixelAlpha(float x, float y, float red, float green, float blue) = 0;
};

class CameraOverlay final : private dev::VideoOutputDelegate {
 public:
  // The lock, the fade and the delegate must outlive the overlay.
  CameraOverlay(std::recursive_mutex& chartViewLock, CameraFade& fade, CameraOverlayDelegate& delegate);
  // Stops the session and waits for both queues.
  ~CameraOverlay() override;
  CameraOverlay(const CameraOverlay&) = delete;
  CameraOverlay& operator=(const CameraOverlay&) = delete;

  // The Camera button: sets up on first use, then stops a running session
  // or starts one.
  void cameraToggled();
  // The session, the output on "captureQueue", the "session queue", the
  // permission question (the session queue waits for the answer) and the
  // configuration queued behind it.
  void cameraSetup();
  // Nothing when the session runs already.
  void cameraStartSession();
  // Nothing unless a session exists and runs. Frames still queued are
  // dropped, and the picture is released, on the session queue.
  void cameraStopSession();

  bool hasSession() const { return session_ != nullptr; }
  // Started and not stopped since (the session itself starts on the
  // session queue, once any configuration before it has run).
  bool isRunning() const { return started_; }
  CameraSetupResult cameraSetupResult() const { return setupResult_.load(); }

  // The interface orientation frames are turned to: 1 portrait and 2
  // upside down (a quarter turn), 4 a half turn, 3 and any other unturned.
  // Taken from the interface at each start; the chart screen sets it
  // again when the device turns.
  void setInterfaceOrientation(int orientation) { orientation_.store(orientation); }

  // Turns and fades one frame into the picture, holding the chart view's
  // lock; false (and no picture kept) for a frame whose size or row length
  // does not add up, or when the fade grid cannot be built.
  bool processVideoFrame(const dev::CameraFrame& frame);

  // The processed picture (rows of blue, green, red, alpha; rows
  // imageBytesPerRow() apart); zero and null while there is none. Read
  // holding the chart view's lock.
  std::uint64_t imageWidth() const { return imageWidth_; }
  std::uint64_t imageHeight() const { return imageHeight_; }
  std::uint64_t imageBytesPerRow() const { return imageBytesPerRow_; }
  // Height times row length of the last camera frame.
  std::uint64_t imageBytes() const { return imageBytes_; }
  const std::uint8_t* imageData() const { return imageData_.empty() ? nullptr : imageData_.data(); }
  // Horizontal field of view of the camera, degrees.
  float imageFoV() const { return imageFoV_; }

  // The queues, for tests that wait for them to run dry; null before set-up.
  ns::SerialQueue* sessionQueue() const { return sessionQueue_.get(); }
  ns::SerialQueue* captureQueue() const { return captureQueue_.get(); }

 private:
  void didOutputFrame(const dev::CameraFrame& frame) override;
  void cameraConfigureSession();
  void releaseImage();

  std::recursive_mutex& chartViewLock_;
  CameraFade& fade_;
  CameraOverlayDelegate& delegate_;
  std::atomic<CameraSetupResult> setupResult_{CameraSetupResult::success};
  std::atomic<int> orientation_{1};
  std::unique_ptr<ns::SerialQueue> captureQueue_;
  std::unique_ptr<ns::SerialQueue> sessionQueue_;
  // Changed only on the session queue once set up.
  std::unique_ptr<dev::CaptureSession> session_;
  std::atomic<float> deviceFoV_{0};
  bool started_ = false;  // main thread
  // Answers and reports queued for the main thread do nothing once the
  // overlay is gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  // Guarded by the chart view's lock.
  std::uint64_t imageWidth_ = 0, imageHeight_ = 0, imageBytesPerRow_ = 0, imageBytes_ = 0;
  std::vector<std::uint8_t> imageData_;
  float imageFoV_ = 0;
};
