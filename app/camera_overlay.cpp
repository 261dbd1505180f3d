#include "app/camera_overlay.h"

#include <cstdio>
#include <new>

#include "platform/foundation/run_loop.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/utility.h"

namespace {

// Frames larger than this on a side are not a camera's (and would make
// the picture's size overflow its arithmetic).
constexpr std::size_t kMaxFrameSide = 16384;

bool isWellFormed(const dev::CameraFrame& frame) {
  const std::size_t w = frame.width, h = frame.height, b = frame.bytesPerRow;
  if (w == 0 || h == 0 || w > kMaxFrameSide || h > kMaxFrameSide) return false;
  if (b < 4 * w || b > 4 * kMaxFrameSide * 2) return false;
  return frame.bgra.size() >= (h - 1) * b + 4 * w;
}

// Source row and column of output pixel (x, y): the inverse of the turns
// frames take, (r, c) -> (y, x) = (c, H-1-r) in portrait, (W-1-c, r) upside
// down, (H-1-r, W-1-c) in orientation 4, unturned otherwise.
struct SourcePixel {
  std::size_t row, column;
};
inline SourcePixel sourceOf(int orientation, std::size_t x, std::size_t y, std::size_t w, std::size_t h) {
  switch (orientation) {
    case 1: return {h - 1 - x, y};
    case 2: return {x, w - 1 - y};
    case 4: return {h - 1 - y, w - 1 - x};
    default: return {y, x};
  }
}

// The fade's opacity as a byte: truncated, as the picture stores it, and
// kept to 0..255 whatever the fade answers.
inline std::uint8_t alphaByte(float alpha) {
  if (!(alpha > 0.0f)) return 0;
  return alpha >= 255.0f ? 255 : static_cast<std::uint8_t>(alpha);
}

}  // namespace

CameraOverlay::CameraOverlay(std::recursive_mutex& chartViewLock, CameraFade& fade, CameraOverlayDelegate& delegate)
    : chartViewLock_(chartViewLock), fade_(fade), delegate_(delegate) {}

CameraOverlay::~CameraOverlay() {
  *alive_ = false;
  // The session queue runs dry (or, still waiting for the permission
  // answer, drops its blocks); then no frame is made, and the frames
  // already queued are processed while everything they use still exists.
  sessionQueue_.reset();
  if (session_) session_->stopRunning();
  captureQueue_.reset();
}

void CameraOverlay::cameraToggled() {
  if (!session_) cameraSetup();
  if (!session_) return;
  if (started_) cameraStopSession();
  else cameraStartSession();
}

void CameraOverlay::cameraSetup() {
  session_ = std::make_unique<dev::CaptureSession>();
  captureQueue_ = std::make_unique<ns::SerialQueue>("captureQueue");
  session_->setVideoOutput(this, captureQueue_.get());
  session_->alwaysDiscardsLateVideoFrames = true;
  sessionQueue_ = std::make_unique<ns::SerialQueue>("session queue");
  setupResult_ = CameraSetupResult::success;

  switch (dev::CaptureDevice::authorizationStatus()) {
    case dev::AuthorizationStatus::notDetermined: {
      // Configuration waits on the session queue for the answer.
      sessionQueue_->suspend();
      std::shared_ptr<bool> alive = alive_;
      dev::CaptureDevice::requestAccess([this, alive](bool granted) {
        if (!*alive) return;
        if (!granted) setupResult_ = CameraSetupResult::notAuthorized;
        sessionQueue_->resume();
      });
      break;
    }
    case dev::AuthorizationStatus::restricted:
    case dev::AuthorizationStatus::denied: setupResult_ = CameraSetupResult::notAuthorized; break;
    default: break;
  }
  sessionQueue_->async([this] { cameraConfigureSession(); });
}

void CameraOverlay::cameraConfigureSession() {
  if (setupResult_ == CameraSetupResult::success) {
    session_->setSessionPreset(AppDelegate::runningOniPad() ? "AVCaptureSessionPreset640x480"
                                                           : "AVCaptureSessionPreset1280x720");
    std::shared_ptr<dev::CaptureDevice> device = dev::CaptureDevice::defaultVideoDevice();
    if (!device) {
      std::fprintf(stderr, "Could not find video device: (null)\n");
      setupResult_ = CameraSetupResult::configurationFailed;
    } else if (!session_->addInput(device)) {
      std::fprintf(stderr, "Could not add video device input to the session\n");
      setupResult_ = CameraSetupResult::configurationFailed;
    } else {
      deviceFoV_ = static_cast<float>(device->fieldOfView());
    }
  }
  std::shared_ptr<bool> alive = alive_;
  const CameraSetupResult result = setupResult_;
  ns::performOnMainThread([this, alive, result] {
    if (*alive) delegate_.cameraSetupFinished(result);
  });
}

void CameraOverlay::cameraStartSession() {
  if (!session_ || started_) return;
  started_ = true;
  orientation_ = Utility::interfaceOrientation();
  // On the session queue, behind any configuration still to run, so the
  // session is only ever changed from one thread.
  sessionQueue_->async([this] { session_->startRunning(); });
  delegate_.cameraSessionStarted();
}

void CameraOverlay::cameraStopSession() {
  if (!session_ || !started_) return;
  started_ = false;
  delegate_.cameraSessionStopping();
  sessionQueue_->async([this] {
    session_->stopRunning();
    // A frame queued before the stop must not bring the picture back.
    captureQueue_->sync([] {});
    releaseImage();
  });
}

void CameraOverlay::didOutputFrame(const dev::CameraFrame& frame) { processVideoFrame(frame); }

void CameraOverlay::releaseImage() {
  std::lock_guard<std::recursive_mutex> lock(chartViewLock_);
  std::vector<std::uint8_t>().swap(imageData_);
  imageWidth_ = imageHeight_ = imageBytesPerRow_ = 0;
  imageFoV_ = 0;
}

bool CameraOverlay::processVideoFrame(const dev::CameraFrame& frame) {
  std::lock_guard<std::recursive_mutex> lock(chartViewLock_);
  if (!isWellFormed(frame)) {
    releaseImage();
    return false;
  }
  const std::size_t w = frame.width, h = frame.height, stride = frame.bytesPerRow;
  imageBytes_ = h * stride;
  const int orientation = orientation_.load();
  const bool quarterTurn = orientation == 1 || orientation == 2;
  const std::size_t outWidth = quarterTurn ? h : w, outHeight = quarterTurn ? w : h;

  imageWidth_ = imageHeight_ = imageBytesPerRow_ = 0;
  imageFoV_ = deviceFoV_.load();
  if (!fade_.buildHorizonFadeGrid(static_cast<int>(outWidth / 10 + 1), static_cast<int>(outHeight / 10 + 1))) {
    std::vector<std::uint8_t>().swap(imageData_);
    return false;
  }
  try {
    imageData_.resize(outWidth * outHeight * 4);
  } catch (const std::bad_alloc&) {
    std::vector<std::uint8_t>().swap(imageData_);
    return false;
  }
  const std::uint8_t* source = frame.bgra.data();
  std::uint8_t* out = imageData_.data();
  for (std::size_t y = 0; y < outHeight; ++y) {
    const float gridY = static_cast<float>(y / 10.0);
    for (std::size_t x = 0; x < outWidth; ++x, out += 4) {
      const SourcePixel s = sourceOf(orientation, x, y, w, h);
      const std::uint8_t* p = source + s.row * stride + s.column * 4;
      out[0] = p[0];
      out[1] = p[1];
      out[2] = p[2];
      out[3] = alphaByte(fade_.cameraPixelAlpha(static_cast<float>(x / 10.0), gridY, p[2], p[1], p[0]));
    }
  }
  imageWidth_ = outWidth;
  imageHeight_ = outHeight;
  // Output rows are always packed, whatever the camera's row stride.
  imageBytesPerRow_ = outWidth * 4;
  return true;
}
