#include "tests/ui/info/screen_world.h"

#include <cstdlib>
#include <filesystem>

#include "platform/coregraphics/image_codec.h"
#include "platform/uikit/application.h"
#include "skydata/sky_database.h"
#include "ui/foundation/sv_alert_controller.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/foundation/utility.h"

namespace info_test {

namespace {

namespace fs = std::filesystem;

void setVariable(const char* name, const std::string& value, std::string* saved, bool* had) {
  if (const char* old = std::getenv(name)) *saved = old, *had = true;
  setenv(name, value.c_str(), 1);
}

void restoreVariable(const char* name, const std::string& saved, bool had) {
  if (had)
    setenv(name, saved.c_str(), 1);
  else
    unsetenv(name);
}

}  // namespace

ScopedBundle::ScopedBundle() {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const fs::path resources = fs::path(root != nullptr ? root : ".") / "resources";
  std::error_code error;
  for (const char* folder : {"Interface", "Fonts", "Web", "Shaders", "Help"})
    if (fs::exists(resources / folder))
      fs::create_directory_symlink(resources / folder, bundle_.path() / folder, error);
  if (fs::exists(resources / "SkyInfo"))
    fs::copy(resources / "SkyInfo", bundle_.path() / "SkyInfo", fs::copy_options::recursive, error);
  fs::create_directory_symlink(TESSALY_INTERFACE_IMAGES_DIR, bundle_.path() / "Images", error);
  setVariable("TESSALY_BUNDLE", path(), &savedBundle_, &hadBundle_);
  setVariable("TESSALY_HOME", home(), &savedHome_, &hadHome_);
}

ScopedBundle::~ScopedBundle() {
  restoreVariable("TESSALY_BUNDLE", savedBundle_, hadBundle_);
  restoreVariable("TESSALY_HOME", savedHome_, hadHome_);
}

void ScopedBundle::addFile(const std::string& relative, const std::string& bytes) const {
  const fs::path file = bundle_.path() / relative;
  std::error_code error;
  fs::create_directories(file.parent_path(), error);
  tessaly::test::writeFile(file.string(), bytes);
}

void ChartScreenFake::selectObject(const SkyObjectID& id) {
  FakeChartViewController::selectObject(id);
  if (CSkyChart* chart = pSkyChart()) chart->selectObject(&id);
}

void ChartScreenFake::setChartPerspective(int p) {
  FakeChartViewController::setChartPerspective(p);
  perspective = p;
}

ui::Point ChartScreenFake::lastSubSearchScrollPoint(long index, int type) const {
  for (const auto& [key, point] : subSearchPoints)
    if (type == 0 && key == index) return point;
  return {};
}

void ChartScreenFake::setLastSubSearchScrollPoint(ui::Point point, long index, int type) {
  if (type != 0) return;
  for (auto& [key, kept] : subSearchPoints)
    if (key == index) {
      kept = point;
      return;
    }
  subSearchPoints.emplace_back(index, point);
}

ScreenWorld::ScreenWorld(int theme)
    : uifoundation::World(theme),
      chart(sky.chart(kSatelliteDate, kMunichLongitude, kMunichLatitude)),
      controller(chart.get()),
      settings(&controller),
      delegate(std::make_shared<ScreenDelegate>()) {
  controller.setSettings(&settings);
  ChartViewController::setCurrentController(&controller);
  setApplicationSkyDatabase(&sky.database());
  window = std::make_shared<ui::Window>(ui::Screen::main().bounds());
  delegate->window_ = window;
  ui::Application::shared().setDelegate(delegate);
  root_ = std::make_shared<ui::ViewController>();
  root_->view()->setBackgroundColor(ui::Color::black());
  window->setRootViewController(root_);
  ui::Application::shared().addWindow(window);
  window->makeKeyAndVisible();
}

ScreenWorld::~ScreenWorld() {
  if (root_->presentedViewController() != nullptr) root_->dismissViewController(false);
  run(2);
  setApplicationSkyDatabase(nullptr);
  ChartViewController::setCurrentController(nullptr);
  ui::Application::shared().setDelegate(nullptr);
}

void ScreenWorld::present(std::shared_ptr<ui::ViewController> screen) {
  auto navigation = std::make_shared<SVNavigationController>(std::move(screen));
  root_->presentViewController(navigation, false);
  run(1);
}

ui::ViewController* ScreenWorld::top() const {
  auto* navigation = dynamic_cast<ui::NavigationController*>(root_->presentedViewController());
  return navigation != nullptr ? navigation->topViewController() : nullptr;
}

std::shared_ptr<cg::Image> ScreenWorld::snapshot(const std::string& name) {
  // The whole screen, so that alerts (in windows of their own) show too.
  std::shared_ptr<cg::Image> image = ui::Application::shared().snapshot(2);
  std::filesystem::create_directories("info_screen_snapshots");
  if (image) cg::writePNG(*image, "info_screen_snapshots/" + name + ".png");
  return image;
}

SVAlertController* ScreenWorld::alert() const {
  ui::ViewController* presenter = Utility::topMostController();
  return dynamic_cast<SVAlertController*>(presenter);
}

bool ScreenWorld::chooseAlertAction(const std::string& title) {
  SVAlertController* shown = alert();
  if (shown == nullptr) return false;
  const auto& actions = shown->actions();
  for (std::size_t i = 0; i < actions.size(); ++i)
    if (actions[i].title == title) {
      shown->chooseAction(i);
      run(1);
      return true;
    }
  return false;
}

}  // namespace info_test
