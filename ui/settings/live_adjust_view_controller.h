// LiveAdjustViewController: a settings page with one slider and one label
// over a live copy of the chart. While it is shown it borrows the chart
// screen's chart view (in the sky perspective) and leaves a still image of
// the chart in its place; each slider change goes to the opener's action
// and the chart below redraws. Closing gives the view back as it was.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/uikit/controls.h"
#include "ui/settings/settings_subview_controller.h"

class LiveAdjustViewController : public SettingsSubviewController {
 public:
  LiveAdjustViewController();
  std::string className() const override { return "LiveAdjustViewController"; }
  // Outlets "slider", "label", "chartHolderView".
  bool setValue(std::string_view key, const std::any& value) override;

  std::shared_ptr<ui::Slider> slider;
  std::shared_ptr<ui::Label> label;
  std::shared_ptr<ui::View> chartHolderView;
  // Set by the opener before the view loads.
  float sliderMinInit = 0, sliderMaxInit = 1, sliderValueInit = 0;
  ui::Object* sliderTargetInit = nullptr;  // not owned
  std::string sliderActionInit;
  ui::Rect oldChartFrame;
  int oldChartPerspective = 0;
  std::shared_ptr<ui::ImageView> snapShotView;

  // The slider's range and value, its action (sent once at once), its
  // height and colours.
  void viewDidLoad() override;
  // The still image goes in, the chart view comes out.
  void viewWillAppear(bool animated) override;
  // The chart view, in the sky perspective, fills the holder.
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidDisappear(bool animated) override;
  void willAnimateRotationToInterfaceOrientation(int orientation, double duration) override;
  // Back to its old perspective and frame, once per showing.
  void restoreChartView();

 private:
  // The chart view while it is lent to this page.
  std::shared_ptr<ui::View> borrowed_;
};
