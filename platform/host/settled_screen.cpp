#include "platform/host/settled_screen.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/foundation/run_loop.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/quartzcore/metal_layer.h"
#include "platform/uikit/application.h"
#include "platform/uikit/display_links.h"

namespace host {
namespace {

using Deadline = std::chrono::steady_clock::time_point;

void collectDevices(const ui::View& view, std::vector<std::shared_ptr<mtl::Device>>& devices) {
  if (const std::shared_ptr<ca::MetalLayer> layer = view.metalLayer())
    if (std::shared_ptr<mtl::Device> device = layer->device();
        device && std::find(devices.begin(), devices.end(), device) == devices.end())
      devices.push_back(std::move(device));
  for (const auto& subview : view.subviews()) collectDevices(*subview, devices);
}

// Every frame committed for the screen presented (a GPU runs its buffers
// in order, presenting each one's drawables before it completes).
bool screenGpusIdle(Deadline deadline) {
  std::vector<std::shared_ptr<mtl::Device>> devices;
  for (const auto& window : ui::Application::shared().windows()) collectDevices(*window, devices);
  return std::all_of(devices.begin(), devices.end(),
                     [&](const auto& device) { return device->gpu().waitUntilIdle(deadline); });
}

}  // namespace

bool settleScreen(ns::RunLoop& loop, double linkTimeOrigin, double limitSeconds) {
  const Deadline deadline = std::chrono::steady_clock::now() +
                            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>(limitSeconds));
  ui::Application& app = ui::Application::shared();
  for (;;) {
    // Layout first: a view laid out anew may draw at once.
    app.layoutWindows();
    if (!screenGpusIdle(deadline)) return false;
    // Whatever the GPUs' handlers posted was posted before they went idle.
    const bool ran = loop.runOnce() > 0;
    const bool asked = ui::displayLinksWaiting();
    if (!ran && !asked) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (asked) ui::stepDisplayLinks(loop.now() - linkTimeOrigin);
  }
}

}  // namespace host
