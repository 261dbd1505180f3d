// The few things the engine and the chart need from the application: where
// the bundle's resources, the caches and the documents are, a redraw
// request, and the live camera picture for the overlay.
//
// Until the application's own classes exist these answer from the platform
// layer: the bundle folder (the executable's folder or TESSALY_BUNDLE), the
// user's folders, a redraw handler installed by the host, and no camera
// picture.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// The bundle's resource folder. Writes it into `buffer` (at most size - 1
// characters and the terminator; the empty text when it does not fit, as a
// cut path would name another folder) and returns its length.
int getResourceDirectory(char* buffer, int size);
// The caches and documents folders of the user, the same way.
int getCachesDirectory(char* buffer, int size);
int getDocumentsDirectory(char* buffer, int size);

// Asks for one frame to be drawn soon; callable from any thread. Does
// nothing while no handler is installed.
void requestChartRedraw();
// Held by background work that ends in a redraw request (a map being
// decoded) until it has asked: a headless script's wait then lasts on the
// real clock instead of passing the work by. Any thread.
std::shared_ptr<void> expectChartRedraw();
// Installs (or, with an empty function, removes) the redraw handler. The
// handler runs on the requesting thread and must only mark the view.
void setChartRedrawHandler(std::function<void()> handler);

// The camera picture under the chart: field of view in whole degrees,
// pixel size, and BGRA bytes; 0 and null while there is none. Read them
// holding cameraFrameMutex(), which the chart holds while it uploads the
// picture.
float getCameraImageFOV();
std::int32_t getCameraImageWidth();
std::int32_t getCameraImageHeight();
const void* getCameraImageData();
// The one process-wide camera-frame mutex.
std::mutex& cameraFrameMutex();
// Replaces the picture (a test injecting frames): the bytes are not copied
// and must stay valid until the next call; null data removes the picture.
// Call it holding cameraFrameMutex().
void setCameraImage(float fov, std::int32_t width, std::int32_t height, const void* data);

// The application's own picture instead: while a source is installed the
// four functions above answer from it (the chart screen's camera overlay,
// which changes its picture only under the lock the chart draws under).
// An empty function removes it. Install and remove on the drawing thread.
struct CameraImage {
  float fov = 0;
  std::int32_t width = 0, height = 0;
  const void* data = nullptr;
};
void setCameraImageSource(std::function<CameraImage()> source);
