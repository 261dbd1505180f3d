// Headless snapshots on a GPU that completes late: a screen whose one view
// shows a Metal layer drawn on demand through a display link, as the chart
// is. A snapshot shows what the steps before it asked for: the frame drawn
// at launch, the frame a tap asked for, and the frame that a finished frame
// asked for in turn from the GPU thread (as a texture that has arrived asks
// for a redraw). A GPU that never finishes still gives a snapshot, with a
// message; a link that stopped for good is not waited for.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/coregraphics/image_codec.h"
#include "platform/foundation/run_loop.h"
#include "platform/host/host.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"
#include "platform/quartzcore/display_link.h"
#include "platform/quartzcore/metal_layer.h"
#include "platform/uikit/display_links.h"
#include "platform/uikit/window.h"
#include "temp_dir.h"

namespace {

using namespace std::chrono_literals;

constexpr double kWidth = 40, kHeight = 30;

struct Colour {
  double red, green, blue;
};
constexpr Colour kRed{1, 0, 0}, kGreen{0, 1, 0}, kBlue{0, 0, 1};

// Clears its layer to a colour once per request, at the next refresh. A
// tap asks for green; the second tap asks for a green frame whose
// completion, on the GPU thread, asks for a blue one.
class FrameView : public ui::View {
 public:
  explicit FrameView(std::shared_ptr<mtl::Device> device) : ui::View(ui::Rect{0, 0, kWidth, kHeight}) {
    auto layer = std::make_shared<ca::MetalLayer>();
    layer->setDevice(device);
    layer->setDrawableSize({kWidth, kHeight});
    setMetalLayer(layer);
    queue_ = device->newCommandQueue();
    link_ = std::make_shared<ca::DisplayLink>([this](ca::DisplayLink& link) {
      link.setPaused(true);
      draw();
    });
    link_->setPaused(true);
    ui::addDisplayLinkToMainRunLoop(link_);
  }
  ~FrameView() override { link_->invalidate(); }

  void ask(Colour colour, bool askAgainWhenDone = false) {
    next_ = colour;
    askAgain_ = askAgainWhenDone;
    link_->setPaused(false);
  }
  void touchesEnded(const ui::TouchSet&, const ui::Event&) override { ask(kGreen, ++taps_ == 2); }
  // As a view that goes away does: its link stops for good, perhaps with a
  // frame still asked for.
  void stopDrawing() { link_->invalidate(); }

 private:
  void draw() {
    auto drawable = metalLayer()->nextDrawable();
    ASSERT_NE(drawable, nullptr);
    mtl::RenderPassDescriptor pass;
    pass.colorAttachments[0].texture = drawable->texture();
    pass.colorAttachments[0].loadAction = mtl::LoadAction::Clear;
    pass.colorAttachments[0].clearColor = {next_.red, next_.green, next_.blue, 1};
    auto buffer = queue_->commandBuffer();
    buffer->renderCommandEncoder(pass)->endEncoding();
    buffer->presentDrawable(std::move(drawable));
    if (askAgain_) {
      askAgain_ = false;
      auto self = std::static_pointer_cast<FrameView>(shared_from_this());
      buffer->addCompletedHandler([self](mtl::CommandBuffer&) {
        ns::RunLoop::main().performOnLoop([self] { self->ask(kBlue); });
      });
    }
    buffer->commit();
  }

  std::shared_ptr<mtl::CommandQueue> queue_;
  std::shared_ptr<ca::DisplayLink> link_;
  Colour next_{};
  bool askAgain_ = false;
  int taps_ = 0;
};

class FrameDelegate : public ui::ApplicationDelegate {
 public:
  explicit FrameDelegate(std::shared_ptr<mtl::Device> device, bool stopsAtLaunch = false)
      : device_(std::move(device)), stopsAtLaunch_(stopsAtLaunch) {}
  bool didFinishLaunching(ui::Application&, const ns::JSON&) override {
    window_ = std::make_shared<ui::Window>();
    view = std::make_shared<FrameView>(device_);
    window_->addSubview(view);
    window_->makeKeyAndVisible();
    view->ask(kRed);
    if (stopsAtLaunch_) view->stopDrawing();
    return true;
  }
  std::shared_ptr<ui::Window> window() const override { return window_; }
  std::shared_ptr<FrameView> view;

 private:
  std::shared_ptr<mtl::Device> device_;
  bool stopsAtLaunch_;
  std::shared_ptr<ui::Window> window_;
};

class HostSettledScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::Application::shared().reset();
    ui::DeviceConfiguration screen;
    screen.portraitSize = {kWidth, kHeight};
    screen.scale = 1;
    ui::Screen::main().configure(screen);
    options.snapshotFolder = folder.path().string();
    options.settleSeconds = 0.05;  // a step's frames are still on the GPU when it ends
  }
  void TearDown() override {
    device->gpu().resume();
    ui::Application::shared().reset();
  }

  // The snapshot's middle pixel, as a colour of the three above.
  Colour middleOf(const std::string& name) {
    auto image = cg::imageFromFile(folder.file(name + ".png"));
    if (!image) {
      ADD_FAILURE() << name << ".png was not written";
      return {};
    }
    const cg::Pixel p = image->pixel(image->width() / 2, image->height() / 2);
    return {p.r / 255.0, p.g / 255.0, p.b / 255.0};
  }

  std::shared_ptr<mtl::Device> device = mtl::Device::create();
  tessaly::test::TempDir folder;
  host::HeadlessOptions options;
};

void expectColour(Colour got, Colour want, const char* snapshot) {
  EXPECT_EQ(got.red, want.red) << snapshot;
  EXPECT_EQ(got.green, want.green) << snapshot;
  EXPECT_EQ(got.blue, want.blue) << snapshot;
}

TEST_F(HostSettledScreen, ASnapshotShowsTheFramesTheStepsAskedForOnALateGpu) {
  device->gpu().setLatency(100ms);
  options.script = "snapshot launched\n"
                   "tap 20 15\n"
                   "snapshot tapped\n"
                   "tap 20 15\n"
                   "snapshot asked-again\n";
  ASSERT_EQ(host::runHeadless(std::make_shared<FrameDelegate>(device), options), 0);
  expectColour(middleOf("launched"), kRed, "launched");
  expectColour(middleOf("tapped"), kGreen, "tapped");
  expectColour(middleOf("asked-again"), kBlue, "asked-again");
}

TEST_F(HostSettledScreen, ASnapshotOnAGpuThatNeverFinishesEndsWithAMessage) {
  device->gpu().pause();
  options.script = "snapshot stuck\n";
  options.snapshotWaitSeconds = 0.2;
  testing::internal::CaptureStderr();
  const int status = host::runHeadless(std::make_shared<FrameDelegate>(device), options);
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 0);
  EXPECT_NE(messages.find("snapshot stuck: the screen was still changing after 0.2 s"), std::string::npos)
      << messages;
  // Taken as it was: the launch frame has not come.
  expectColour(middleOf("stuck"), {0, 0, 0}, "stuck");
}

TEST_F(HostSettledScreen, AFrameAskedOfALinkThatStoppedForGoodHoldsNoSnapshot) {
  options.script = "snapshot stopped\n";
  testing::internal::CaptureStderr();
  EXPECT_EQ(host::runHeadless(std::make_shared<FrameDelegate>(device, true), options), 0);
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_EQ(messages.find("still changing"), std::string::npos) << messages;
  expectColour(middleOf("stopped"), {0, 0, 0}, "stopped");
}

}  // namespace
