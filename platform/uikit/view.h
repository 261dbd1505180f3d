// Views: a tree of rectangles that draw through the 2-D layer, lay out,
// hit-test and receive touches; and the responder chain they belong to.
//
// Thread rules: main thread only. Views are held by std::shared_ptr; a
// superview owns its subviews, and a view knows its superview and window
// by plain pointers.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/coregraphics/context.h"
#include "platform/uikit/color.h"
#include "platform/uikit/event.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/object.h"

namespace ca {
class MetalLayer;
struct Frame;
}

namespace ui {

class Window;
class ViewController;
class GestureRecognizer;

class Responder : public Object {
 public:
  std::string className() const override { return "UIResponder"; }
  virtual Responder* nextResponder() const { return nullptr; }
  virtual bool canBecomeFirstResponder() const { return false; }
  virtual bool becomeFirstResponder();
  virtual bool resignFirstResponder();
  bool isFirstResponder() const;
  // By default touches go on to the next responder.
  virtual void touchesBegan(const TouchSet& touches, const Event& event);
  virtual void touchesMoved(const TouchSet& touches, const Event& event);
  virtual void touchesEnded(const TouchSet& touches, const Event& event);
  virtual void touchesCancelled(const TouchSet& touches, const Event& event);
  // Text input from the keyboard, for responders that take it.
  virtual void insertText(const std::string&) {}
  virtual void deleteBackward() {}
  virtual bool hasText() const { return false; }
  // Editing commands of a machine's keyboard (Ctrl+A, Ctrl+C): select all
  // the text, so that typing or pasting replaces it; the selected text to
  // copy (empty when none, or when the text is secret).
  virtual void selectAll() {}
  virtual std::string selectedText() const { return {}; }
};

enum AutoresizingMask : unsigned {
  kAutoresizingNone = 0,
  kFlexibleLeftMargin = 1 << 0,
  kFlexibleWidth = 1 << 1,
  kFlexibleRightMargin = 1 << 2,
  kFlexibleTopMargin = 1 << 3,
  kFlexibleHeight = 1 << 4,
  kFlexibleBottomMargin = 1 << 5,
};

enum class ContentMode {
  scaleToFill, scaleAspectFit, scaleAspectFill, redraw, center, top, bottom, left, right,
  topLeft, topRight, bottomLeft, bottomRight,
};

class View : public Responder {
 public:
  View();
  explicit View(const Rect& frame);
  ~View() override;
  std::string className() const override { return "UIView"; }
  bool setValue(std::string_view key, const std::any& value) override;

  template <typename T, typename... Args>
  static std::shared_ptr<T> make(Args&&... args) {
    return std::make_shared<T>(std::forward<Args>(args)...);
  }

  // Geometry (the model values; animations show in-between values).
  Rect frame() const;
  virtual void setFrame(const Rect& frame);
  Rect bounds() const { return bounds_; }
  virtual void setBounds(const Rect& bounds);
  Point center() const { return center_; }
  void setCenter(Point center);
  AffineTransform transform() const { return transform_; }
  void setTransform(const AffineTransform& transform);

  double alpha() const { return alpha_; }
  void setAlpha(double alpha);
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);
  bool isOpaque() const { return opaque_; }
  void setOpaque(bool opaque) { opaque_ = opaque; }
  std::optional<Color> backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(std::optional<Color> color);
  // The view's own tint or the nearest ancestor's (the window's default).
  Color tintColor() const;
  void setTintColor(std::optional<Color> color);
  virtual void tintColorDidChange() {}
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }
  View* viewWithTag(int tag);

  // The tree.
  View* superview() const { return superview_; }
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  void addSubview(std::shared_ptr<View> view);
  void insertSubview(std::shared_ptr<View> view, std::size_t index);
  void insertSubviewBelow(std::shared_ptr<View> view, const View* sibling);
  void insertSubviewAbove(std::shared_ptr<View> view, const View* sibling);
  void bringSubviewToFront(const View* view);
  void sendSubviewToBack(const View* view);
  void removeFromSuperview();
  bool isDescendantOf(const View* view) const;
  Window* window() const { return window_; }
  virtual void willMoveToWindow(Window*) {}
  virtual void didMoveToWindow() {}
  virtual void didMoveToSuperview() {}
  virtual void didAddSubview(View*) {}

  unsigned autoresizingMask() const { return autoresizingMask_; }
  void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
  bool autoresizesSubviews() const { return autoresizesSubviews_; }
  void setAutoresizesSubviews(bool value) { autoresizesSubviews_ = value; }
  ContentMode contentMode() const { return contentMode_; }
  void setContentMode(ContentMode mode) { contentMode_ = mode; }

  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  void setUserInteractionEnabled(bool value) { userInteractionEnabled_ = value; }
  bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
  void setMultipleTouchEnabled(bool value) { multipleTouchEnabled_ = value; }
  bool isExclusiveTouch() const { return exclusiveTouch_; }
  void setExclusiveTouch(bool value) { exclusiveTouch_ = value; }
  bool clipsToBounds() const { return clipsToBounds_; }
  void setClipsToBounds(bool value) { clipsToBounds_ = value; }

  // The layer's look: rounded corners, a border, clipping to the corners.
  struct LayerStyle {
    double cornerRadius = 0;
    double borderWidth = 0;
    Color borderColor = Color::black();
    bool masksToBounds = false;
  };
  LayerStyle& layer() { return layer_; }
  const LayerStyle& layer() const { return layer_; }

  // Insets of the window's unsafe edges that fall inside this view.
  EdgeInsets safeAreaInsets() const;

  // Drawing.
  virtual void drawRect(cg::Context& context, const Rect& rect);
  void setNeedsDisplay();
  // The whole subtree drawn into a context whose user space is this
  // view's superview's (y downwards, points).
  void renderInContext(cg::Context& context) const;
  // The view and its subviews as an image of bounds size at a scale.
  std::shared_ptr<cg::Image> snapshotImage(double scale) const;

  // Layout.
  void setNeedsLayout();
  void layoutIfNeeded();
  virtual void layoutSubviews();
  virtual Size sizeThatFits(Size size) const { return size.width == 0 ? bounds_.size : bounds_.size; }
  void sizeToFit();

  // Hit testing and conversion.
  virtual View* hitTest(Point point, const Event* event);
  virtual bool pointInside(Point point, const Event* event) const;
  Point convertPointTo(Point point, const View* view) const;
  Point convertPointFrom(Point point, const View* view) const;
  Rect convertRectTo(const Rect& rect, const View* view) const;
  // This view's coordinates to its window's (or the root's).
  AffineTransform transformToRoot() const;

  // Gestures.
  void addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer);
  void removeGestureRecognizer(const GestureRecognizer* recognizer);
  const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const {
    return gestureRecognizers_;
  }

  // A view whose layer is a Metal layer shows the last frame presented to it.
  void setMetalLayer(std::shared_ptr<ca::MetalLayer> layer);
  std::shared_ptr<ca::MetalLayer> metalLayer() const { return metalLayer_; }

  Responder* nextResponder() const override;
  ViewController* viewController() const { return viewController_; }

  // Animation: values on screen while an animation runs (Part of the
  // animator's state; the model values above are already the final ones).
  struct Presentation {
    std::optional<Rect> frame;
    std::optional<double> alpha;
    std::optional<AffineTransform> transform;
    std::optional<Color> backgroundColor;
  };
  Presentation& presentation() { return presentation_; }
  Rect presentationFrame() const;
  double presentationAlpha() const { return presentation_.alpha.value_or(alpha_); }

  // Block animations on the main run loop's clock.
  static void animate(double duration, std::function<void()> animations,
                      std::function<void(bool finished)> completion = {}, double delay = 0);
  // The begin/commit form.
  static void beginAnimations(std::string name = {});
  static void setAnimationDuration(double seconds);
  static void setAnimationDelay(double seconds);
  static void setAnimationDelegate(Object* delegate, std::string didStopSelector);
  static void commitAnimations();
  static void setAnimationsEnabled(bool enabled);

 protected:
  // Fills the background and runs drawRect; subclasses that draw their own
  // background may override.
  virtual void drawLayerContents(cg::Context& context) const;

 private:
  friend class ViewController;
  friend class Window;
  friend class Application;
  void setWindowRecursively(Window* window);
  void resizeSubviews(Size oldSize);
  void drawFrameOfMetalLayer(cg::Context& context) const;
  Rect presentationFrameModel() const;

  Rect bounds_;
  Point center_;
  AffineTransform transform_;
  double alpha_ = 1;
  bool hidden_ = false, opaque_ = true;
  std::optional<Color> backgroundColor_;
  std::optional<Color> tintColor_;
  int tag_ = 0;
  View* superview_ = nullptr;
  Window* window_ = nullptr;
  ViewController* viewController_ = nullptr;
  std::vector<std::shared_ptr<View>> subviews_;
  unsigned autoresizingMask_ = kAutoresizingNone;
  bool autoresizesSubviews_ = true;
  ContentMode contentMode_ = ContentMode::scaleToFill;
  bool userInteractionEnabled_ = true, multipleTouchEnabled_ = false, exclusiveTouch_ = false;
  bool clipsToBounds_ = false;
  bool needsLayout_ = true;
  LayerStyle layer_;
  std::vector<std::shared_ptr<GestureRecognizer>> gestureRecognizers_;
  std::shared_ptr<ca::MetalLayer> metalLayer_;
  std::shared_ptr<struct MetalFrameBox> metalFrame_;
  Presentation presentation_;
};

using ViewPointer = std::shared_ptr<View>;

// The path of a rectangle with arcs of `radius` at its corners (the
// platform's rounded rectangle, drawn by every control that has one).
void addRoundedRect(cg::Context& context, const Rect& rect, double radius);

// Marks that something on screen changed (hosts redraw their window); any
// thread may mark.
void setDisplayNeeded();
bool takeDisplayNeeded();

}  // namespace ui
