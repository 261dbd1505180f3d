// The settings screen under the headless host, as a user would drive it:
// the host launches the application, which presents the settings screen,
// plays a touch script (switches, a page and its way back, Done) and
// writes its snapshot; afterwards the settings and the chart show what
// the touches did and the saved file exists.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/coregraphics/image_codec.h"
#include "platform/host/host.h"
#include "temp_dir.h"
#include "tests/ui/settings/settings_world.h"

namespace {

using uisettings::SettingsWorld;

// The application of the test: its launch presents the settings screen
// over the world's chart screen.
class HostedSettings : public ui::ApplicationDelegate {
 public:
  explicit HostedSettings(SettingsWorld& w) : world_(w) {}
  bool didFinishLaunching(ui::Application&, const ns::JSON&) override {
    world_.openSettings();
    return true;
  }
  std::shared_ptr<ui::Window> window() const override { return world_.delegate.window(); }

 private:
  SettingsWorld& world_;
};

// Where a row's switch, and a row, lie on the screen of a settings screen
// laid out as the host will show it.
struct Places {
  ui::Point soundEffects, selectedOrbit, skyView, back, done;
};

Places measure() {
  SettingsWorld w;
  auto screen = w.openSettings();
  ui::Application::shared().layoutWindows();
  ui::TableView& table = *screen->mainTable;
  auto switchAt = [&](ui::IndexPath path) {
    ui::View& onOff = *table.cellForRow(path)->accessoryView();
    return onOff.convertPointTo({onOff.bounds().midX(), onOff.bounds().midY()}, nullptr);
  };
  Places p;
  p.soundEffects = switchAt({0, 6});
  const ui::Rect sky = table.rectForRow({1, 0});
  p.skyView = table.convertPointTo({sky.midX(), sky.midY()}, nullptr);
  p.selectedOrbit = switchAt({1, 4});
  ui::NavigationBar& bar = w.navigation->navigationBar();
  p.back = bar.convertPointTo({30, bar.bounds().midY()}, nullptr);
  // The settings screen shows Done where a page shows its own.
  w.tapRow(table, {1, 0});
  ui::Application::shared().layoutWindows();
  ui::View& done = *bar.rightButton();
  p.done = done.convertPointTo({done.bounds().midX(), done.bounds().midY()}, nullptr);
  return p;
}

TEST(UiSettingsHost, ATouchScriptThroughTheHeadlessHostChangesTheSettingsAndCloses) {
  const Places at = measure();
  SettingsWorld w;
  tessaly::test::TempDir shots;
  char script[1024];
  std::snprintf(script, sizeof script,
                "tap %.1f %.1f\n"                    // Sound Effects on
                "tap %.1f %.1f\n"                    // the Sky View page
                "snapshot sky\n"
                "tap %.1f %.1f\n"                    // back
                "tap %.1f %.1f\n"                    // the selected satellite's orbit on
                "snapshot settings\n"
                "tap %.1f %.1f\n"                    // the Sky View page again
                "tap %.1f %.1f\n",                   // its Done
                at.soundEffects.x, at.soundEffects.y, at.skyView.x, at.skyView.y, at.back.x, at.back.y,
                at.selectedOrbit.x, at.selectedOrbit.y, at.skyView.x, at.skyView.y, at.done.x, at.done.y);
  host::HeadlessOptions options;
  options.script = script;
  options.snapshotFolder = shots.path().string();
  ASSERT_EQ(host::runHeadless(std::make_shared<HostedSettings>(w), options), 0);
  EXPECT_TRUE(w.settings.soundEffects());
  EXPECT_TRUE(w.settings.showSelectedOrbit());
  EXPECT_TRUE(w.chart->showSelectedObjectOrbit);
  EXPECT_EQ(w.screen->presentedViewController(), nullptr);
  EXPECT_TRUE(std::filesystem::exists(Settings::defaultsPath()));
  for (const char* name : {"sky", "settings"}) {
    auto image = cg::imageFromFile(shots.file(std::string(name) + ".png"));
    ASSERT_TRUE(image) << name;
    EXPECT_EQ(image->width(), 750u);
  }
}

}  // namespace
