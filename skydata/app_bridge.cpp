#include "skydata/app_bridge.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "platform/foundation/bundle.h"
#include "platform/foundation/run_loop.h"

namespace {

int copyFolder(const std::string& folder, char* buffer, int size) {
  if (buffer && size > 0) {
    if (folder.size() < static_cast<std::size_t>(size)) std::memcpy(buffer, folder.c_str(), folder.size() + 1);
    else buffer[0] = '\0';
  }
  return static_cast<int>(folder.size());
}

std::mutex gRedrawMutex;
std::shared_ptr<std::function<void()>> gRedrawHandler;

}  // namespace

int getResourceDirectory(char* buffer, int size) {
  return copyFolder(ns::Bundle::main().resourcePath(), buffer, size);
}

int getCachesDirectory(char* buffer, int size) { return copyFolder(ns::cachesDirectory(), buffer, size); }

int getDocumentsDirectory(char* buffer, int size) { return copyFolder(ns::documentsDirectory(), buffer, size); }

void requestChartRedraw() {
  std::shared_ptr<std::function<void()>> handler;
  {
    std::lock_guard<std::mutex> guard(gRedrawMutex);
    handler = gRedrawHandler;
  }
  if (handler) (*handler)();
}

std::shared_ptr<void> expectChartRedraw() { return ns::RunLoop::main().expectReport(); }

void setChartRedrawHandler(std::function<void()> handler) {
  std::lock_guard<std::mutex> guard(gRedrawMutex);
  gRedrawHandler = handler ? std::make_shared<std::function<void()>>(std::move(handler)) : nullptr;
}

namespace {

// Guarded by cameraFrameMutex(), which its readers and writer hold.
CameraImage gCameraImage;
// Drawing thread only.
std::function<CameraImage()> gCameraImageSource;

CameraImage currentCameraImage() { return gCameraImageSource ? gCameraImageSource() : gCameraImage; }

}  // namespace

std::mutex& cameraFrameMutex() {
  static std::mutex mutex;
  return mutex;
}

void setCameraImage(float fov, std::int32_t width, std::int32_t height, const void* data) {
  gCameraImage = data != nullptr ? CameraImage{fov, width, height, data} : CameraImage{};
}

void setCameraImageSource(std::function<CameraImage()> source) { gCameraImageSource = std::move(source); }

float getCameraImageFOV() { return currentCameraImage().fov; }
std::int32_t getCameraImageWidth() { return currentCameraImage().width; }
std::int32_t getCameraImageHeight() { return currentCameraImage().height; }
const void* getCameraImageData() { return currentCameraImage().data; }
