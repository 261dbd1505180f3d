// AstroImageView: one picture over the whole window (aspect-fit, over a
// background view), with a red cover in the night-vision theme; a touch
// fades it out and removes it.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/uikit/image.h"
#include "platform/uikit/view.h"
#include "platform/uikit/window.h"

namespace ui {
class ImageView;
}

class AstroImageView : public ui::View {
 public:
  explicit AstroImageView(const ui::Rect& frame);
  std::string className() const override { return "AstroImageView"; }

  // Shows a picture over the window in the process's one viewer: sized to
  // the window, over a black background, with the red cover at night,
  // faded in. Returns the viewer.
  static std::shared_ptr<AstroImageView> showInWindow(ui::Window& window, ui::ImagePointer image);

  ui::ImageView& imageView() const { return *imageView_; }
  ui::View* redView() const { return redView_.get(); }
  ui::View* backgroundView() const { return backgroundView_.get(); }
  bool fullScreen = true;

  // The red cover, made on first use (a square of the frame's larger side
  // at the frame's origin, red 0.5 at half opacity) or framed again.
  ui::View& addRedView();
  void removeRedView();
  // Sized to the viewer, below the picture.
  void setBackgroundView(std::shared_ptr<ui::View> view);

  void fadeIn();
  void fadeOut();
  // At once, or over 0.75 seconds; nothing without a superview.
  void removeViewWithAnimation(bool animated);

  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;

 private:
  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<ui::View> redView_, backgroundView_;
};
