// SVAlertController: the alert of every message. In night vision the
// alert stays hidden until it has been recoloured, so it is never seen in
// the platform's colours.
//
// Thread rules: main thread only.
#pragma once

#include <string>

#include "platform/uikit/alert_controller.h"

class SVAlertController : public ui::AlertController {
 public:
  SVAlertController(std::string title, std::string message,
                    ui::AlertControllerStyle style = ui::AlertControllerStyle::alert);
  std::string className() const override { return "SVAlertController"; }
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  // Red tint; the alert's box and the chain of last subviews below it (at
  // most four views, fewer where a view has no subviews, never a control)
  // get the night background, rounded corners and a red border; every
  // label the night text colour.
  void colorizeForNightVision();
};
