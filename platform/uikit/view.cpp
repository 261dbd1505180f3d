#include "platform/uikit/view.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

#include "platform/quartzcore/metal_layer.h"
#include "platform/uikit/animation_internal.h"
#include "platform/uikit/application.h"
#include "platform/uikit/gesture.h"
#include "platform/uikit/view_controller.h"
#include "platform/uikit/window.h"

namespace ui {
namespace {

// Set also from the GPU's thread when a Metal layer's frame arrives.
std::atomic<bool> displayNeeded{true};

// The part of a rectangle that can show in the context: huge views (a
// view may be as large as the largest double) are cut to what is drawable.
Rect visiblePart(const cg::Context& context, const Rect& r) {
  const Rect clip = context.clipBoundingBox().insetBy(-2, -2);
  const double x1 = std::max(r.minX(), clip.minX()), y1 = std::max(r.minY(), clip.minY());
  const double x2 = std::min(r.maxX(), clip.maxX()), y2 = std::min(r.maxY(), clip.maxY());
  if (x2 <= x1 || y2 <= y1) return {};
  return {x1, y1, x2 - x1, y2 - y1};
}

}  // namespace

void addRoundedRect(cg::Context& context, const Rect& r, double radius) {
  radius = std::min({radius, r.width() / 2, r.height() / 2});
  if (radius <= 0) {
    context.addRect(r);
    return;
  }
  const double x = r.x(), y = r.y(), w = r.width(), h = r.height();
  context.moveToPoint(x, y + radius);
  context.addArcToPoint(x, y, x + radius, y, radius);
  context.addArcToPoint(x + w, y, x + w, y + radius, radius);
  context.addArcToPoint(x + w, y + h, x + w - radius, y + h, radius);
  context.addArcToPoint(x, y + h, x, y + h - radius, radius);
  context.closePath();
}

void setDisplayNeeded() { displayNeeded = true; }
bool takeDisplayNeeded() { return displayNeeded.exchange(false); }

// ---- Responder ---------------------------------------------------------------

bool Responder::becomeFirstResponder() {
  if (!canBecomeFirstResponder()) return false;
  return Application::shared().setFirstResponder(this);
}

bool Responder::resignFirstResponder() {
  if (isFirstResponder()) Application::shared().setFirstResponder(nullptr);
  return true;
}

bool Responder::isFirstResponder() const { return Application::shared().firstResponder() == this; }

void Responder::touchesBegan(const TouchSet& t, const Event& e) {
  if (auto* next = nextResponder()) next->touchesBegan(t, e);
}
void Responder::touchesMoved(const TouchSet& t, const Event& e) {
  if (auto* next = nextResponder()) next->touchesMoved(t, e);
}
void Responder::touchesEnded(const TouchSet& t, const Event& e) {
  if (auto* next = nextResponder()) next->touchesEnded(t, e);
}
void Responder::touchesCancelled(const TouchSet& t, const Event& e) {
  if (auto* next = nextResponder()) next->touchesCancelled(t, e);
}

// ---- View: geometry ------------------------------------------------------------

View::View() = default;
View::View(const Rect& frame) { View::setFrame(frame); }

View::~View() {
  for (auto& subview : subviews_) {
    subview->superview_ = nullptr;
    subview->setWindowRecursively(nullptr);
  }
  if (Application::exists() && Application::shared().firstResponder() == this)
    Application::shared().setFirstResponder(nullptr);
  detail::animator().forget(this);
}

Rect View::frame() const {
  const double w = bounds_.width(), h = bounds_.height();
  if (transform_ == AffineTransform{}) return {center_.x - w / 2, center_.y - h / 2, w, h};
  // The box around the transformed bounds.
  Point corners[4] = {{-w / 2, -h / 2}, {w / 2, -h / 2}, {-w / 2, h / 2}, {w / 2, h / 2}};
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (Point c : corners) {
    Point p = transform_.apply(c);
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  return {center_.x + minX, center_.y + minY, maxX - minX, maxY - minY};
}

void View::setFrame(const Rect& requested) {
  Rect f = saneRect(requested.standardized());
  const Rect before = presentationFrame();
  const Size oldSize = bounds_.size;
  center_ = {f.midX(), f.midY()};
  if (transform_ == AffineTransform{}) bounds_.size = f.size;
  detail::animator().frameChanged(this, before, presentationFrameModel());
  if (oldSize != bounds_.size) {
    resizeSubviews(oldSize);
    setNeedsLayout();
  }
  setDisplayNeeded();
}

Rect View::presentationFrameModel() const {
  return {center_.x - bounds_.width() / 2, center_.y - bounds_.height() / 2, bounds_.width(),
          bounds_.height()};
}

void View::setBounds(const Rect& requested) {
  Rect b = saneRect(requested);
  const Rect before = presentationFrame();
  const Size oldSize = bounds_.size;
  bounds_ = b;
  detail::animator().frameChanged(this, before, presentationFrameModel());
  if (oldSize != b.size) {
    resizeSubviews(oldSize);
    setNeedsLayout();
  }
  setDisplayNeeded();
}

void View::setCenter(Point center) {
  Rect f = frame();
  setFrame({center.x - f.width() / 2, center.y - f.height() / 2, f.width(), f.height()});
}

void View::setTransform(const AffineTransform& transform) {
  if (!transform.isFinite()) return;
  const AffineTransform before = presentation_.transform.value_or(transform_);
  transform_ = transform;
  detail::animator().transformChanged(this, before, transform);
  setDisplayNeeded();
}

Rect View::presentationFrame() const {
  return presentation_.frame.value_or(presentationFrameModel());
}

void View::setAlpha(double alpha) {
  if (!std::isfinite(alpha)) return;
  alpha = std::clamp(alpha, 0.0, 1.0);
  const double before = presentationAlpha();
  alpha_ = alpha;
  detail::animator().alphaChanged(this, before, alpha);
  setDisplayNeeded();
}

void View::setHidden(bool hidden) {
  hidden_ = hidden;
  setDisplayNeeded();
}

void View::setBackgroundColor(std::optional<Color> color) {
  const Color before = presentation_.backgroundColor.value_or(backgroundColor_.value_or(Color::clear()));
  backgroundColor_ = color;
  detail::animator().colorChanged(this, before, color.value_or(Color::clear()));
  setDisplayNeeded();
}

Color View::tintColor() const {
  for (const View* v = this; v; v = v->superview_)
    if (v->tintColor_) return *v->tintColor_;
  return Color::systemBlue();
}

void View::setTintColor(std::optional<Color> color) {
  tintColor_ = color;
  std::function<void(View*)> notify = [&](View* v) {
    v->tintColorDidChange();
    for (auto& s : v->subviews_)
      if (!s->tintColor_) notify(s.get());
  };
  notify(this);
  setDisplayNeeded();
}

View* View::viewWithTag(int tag) {
  if (tag_ == tag) return this;
  for (auto& s : subviews_)
    if (View* found = s->viewWithTag(tag)) return found;
  return nullptr;
}

bool View::setValue(std::string_view key, const std::any& value) {
  try {
    if (key == "frame") setFrame(std::any_cast<Rect>(value));
    else if (key == "alpha") setAlpha(std::any_cast<double>(value));
    else if (key == "hidden") setHidden(std::any_cast<bool>(value));
    else if (key == "opaque") setOpaque(std::any_cast<bool>(value));
    else if (key == "backgroundColor") setBackgroundColor(std::any_cast<Color>(value));
    else if (key == "tintColor") setTintColor(std::any_cast<Color>(value));
    else if (key == "tag") setTag(static_cast<int>(std::any_cast<double>(value)));
    else if (key == "autoresizingMask") setAutoresizingMask(static_cast<unsigned>(std::any_cast<double>(value)));
    else if (key == "userInteractionEnabled") setUserInteractionEnabled(std::any_cast<bool>(value));
    else if (key == "multipleTouchEnabled") setMultipleTouchEnabled(std::any_cast<bool>(value));
    else if (key == "clipsToBounds") setClipsToBounds(std::any_cast<bool>(value));
    else if (key == "cornerRadius") layer_.cornerRadius = std::any_cast<double>(value);
    else if (key == "borderWidth") layer_.borderWidth = std::any_cast<double>(value);
    else if (key == "borderColor") layer_.borderColor = std::any_cast<Color>(value);
    else if (key == "contentMode") setContentMode(static_cast<ContentMode>(std::any_cast<double>(value)));
    else return Responder::setValue(key, value);
  } catch (const std::bad_any_cast&) {
    return false;
  }
  return true;
}

// ---- the tree ------------------------------------------------------------------

void View::addSubview(std::shared_ptr<View> view) { insertSubview(std::move(view), subviews_.size()); }

void View::insertSubview(std::shared_ptr<View> view, std::size_t index) {
  if (!view || view.get() == this || isDescendantOf(view.get())) return;
  if (view->superview_ == this) {
    auto it = std::find(subviews_.begin(), subviews_.end(), view);
    std::size_t at = static_cast<std::size_t>(it - subviews_.begin());
    subviews_.erase(it);
    if (index > at) --index;
  } else {
    view->removeFromSuperview();
  }
  index = std::min(index, subviews_.size());
  subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
  view->superview_ = this;
  if (view->window_ != window_) view->setWindowRecursively(window_);
  view->didMoveToSuperview();
  didAddSubview(view.get());
  setDisplayNeeded();
}

void View::insertSubviewBelow(std::shared_ptr<View> view, const View* sibling) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& s) { return s.get() == sibling; });
  insertSubview(std::move(view), static_cast<std::size_t>(it - subviews_.begin()));
}

void View::insertSubviewAbove(std::shared_ptr<View> view, const View* sibling) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& s) { return s.get() == sibling; });
  std::size_t index = it == subviews_.end() ? subviews_.size() : static_cast<std::size_t>(it - subviews_.begin()) + 1;
  insertSubview(std::move(view), index);
}

void View::bringSubviewToFront(const View* view) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& s) { return s.get() == view; });
  if (it == subviews_.end()) return;
  auto keep = *it;
  subviews_.erase(it);
  subviews_.push_back(keep);
  setDisplayNeeded();
}

void View::sendSubviewToBack(const View* view) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& s) { return s.get() == view; });
  if (it == subviews_.end()) return;
  auto keep = *it;
  subviews_.erase(it);
  subviews_.insert(subviews_.begin(), keep);
  setDisplayNeeded();
}

void View::removeFromSuperview() {
  View* parent = superview_;
  if (!parent) return;
  auto keep = std::static_pointer_cast<View>(shared_from_this());
  if (Application::exists()) {
    Responder* first = Application::shared().firstResponder();
    if (auto* firstView = dynamic_cast<View*>(first); firstView && firstView->isDescendantOf(this))
      first->resignFirstResponder();
  }
  auto& siblings = parent->subviews_;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), keep), siblings.end());
  superview_ = nullptr;
  setWindowRecursively(nullptr);
  didMoveToSuperview();
  setDisplayNeeded();
}

bool View::isDescendantOf(const View* view) const {
  for (const View* v = this; v; v = v->superview_)
    if (v == view) return true;
  return false;
}

void View::setWindowRecursively(Window* window) {
  if (window_ == window) return;
  willMoveToWindow(window);
  window_ = window;
  for (auto& s : subviews_) s->setWindowRecursively(window);
  didMoveToWindow();
}

void View::resizeSubviews(Size oldSize) {
  if (!autoresizesSubviews_) return;
  const double dw = bounds_.width() - oldSize.width, dh = bounds_.height() - oldSize.height;
  for (auto& s : subviews_) {
    const unsigned m = s->autoresizingMask_;
    if (m == kAutoresizingNone) continue;
    Rect f = s->frame();
    // The change is shared by the flexible parts in proportion to them.
    auto share = [](double delta, bool a, double av, bool b, double bv, bool c, double cv,
                    double& outA, double& outB) {
      double total = (a ? av : 0) + (b ? bv : 0) + (c ? cv : 0);
      int count = int(a) + int(b) + int(c);
      if (count == 0) return;
      auto part = [&](bool flexible, double value) {
        if (!flexible) return 0.0;
        return total > 0 ? delta * value / total : delta / count;
      };
      outA = part(a, av);
      outB = part(b, bv);
    };
    double dx = 0, dWidth = 0, dy = 0, dHeight = 0;
    share(dw, m & kFlexibleLeftMargin, f.x(), m & kFlexibleWidth, f.width(), m & kFlexibleRightMargin,
          oldSize.width - f.maxX(), dx, dWidth);
    share(dh, m & kFlexibleTopMargin, f.y(), m & kFlexibleHeight, f.height(), m & kFlexibleBottomMargin,
          oldSize.height - f.maxY(), dy, dHeight);
    s->setFrame({f.x() + dx, f.y() + dy, f.width() + dWidth, f.height() + dHeight});
  }
}

EdgeInsets View::safeAreaInsets() const {
  if (!window_) return {};
  EdgeInsets window = window_->windowSafeAreaInsets();
  Rect inWindow = convertRectTo(bounds_, nullptr);
  Rect w = window_->bounds();
  return {std::max(0.0, window.top - inWindow.y()), std::max(0.0, window.left - inWindow.x()),
          std::max(0.0, inWindow.maxY() - (w.height() - window.bottom)),
          std::max(0.0, inWindow.maxX() - (w.width() - window.right))};
}

// ---- drawing -------------------------------------------------------------------

void View::drawRect(cg::Context&, const Rect&) {}

void View::setNeedsDisplay() { setDisplayNeeded(); }

void View::drawLayerContents(cg::Context& context) const {
  const Color background = presentation_.backgroundColor.value_or(backgroundColor_.value_or(Color::clear()));
  if (background.a > 0) {
    context.setFillColor(background.cg());
    const Rect visible = visiblePart(context, bounds_);
    addRoundedRect(context, visible == bounds_ ? bounds_ : visible, visible == bounds_ ? layer_.cornerRadius : 0);
    context.fillPath();
  }
  drawFrameOfMetalLayer(context);
  const_cast<View*>(this)->drawRect(context, bounds_);
}

void View::renderInContext(cg::Context& context) const {
  const double alpha = presentationAlpha();
  if (hidden_ || alpha <= 0.001) return;
  const Rect f = presentationFrame();
  const AffineTransform t = presentation_.transform.value_or(transform_);
  context.saveGState();
  context.translateCTM(f.midX(), f.midY());
  context.concatCTM(t);
  context.translateCTM(-(bounds_.x() + f.width() / 2), -(bounds_.y() + f.height() / 2));
  const bool layered = alpha < 1;
  if (layered) {
    context.setAlpha(alpha);
    context.beginTransparencyLayer();
  }
  const Rect whole{bounds_.x(), bounds_.y(), f.width(), f.height()};
  const Rect shown = visiblePart(context, whole);
  const bool clips = clipsToBounds_ || layer_.masksToBounds;
  if (!shown.isEmpty()) {
    if (clips) {
      addRoundedRect(context, shown, shown == whole ? layer_.cornerRadius : 0);
      context.clip();
    }
    context.saveGState();
    context.clipToRect(shown);
    drawLayerContents(context);
    context.restoreGState();
  }
  // Subviews may stand outside their superview unless it clips.
  if (!(clips && shown.isEmpty()))
    for (const auto& s : subviews_) s->renderInContext(context);
  if (layer_.borderWidth > 0 && !shown.isEmpty()) {
    context.setStrokeColor(layer_.borderColor.cg());
    context.setLineWidth(layer_.borderWidth);
    const double inset = layer_.borderWidth / 2;
    addRoundedRect(context, shown.insetBy(inset, inset), std::max(0.0, layer_.cornerRadius - inset));
    context.strokePath();
  }
  if (layered) context.endTransparencyLayer();
  context.restoreGState();
}

std::shared_ptr<cg::Image> View::snapshotImage(double scale) const {
  auto context = cg::Context::createForPoints(bounds_.width(), bounds_.height(), scale);
  if (!context) return nullptr;
  context->translateCTM(0, bounds_.height());
  context->scaleCTM(1, -1);
  // Drawn as it sits in its superview, moved to the image's origin.
  context->translateCTM(-presentationFrame().x(), -presentationFrame().y());
  renderInContext(*context);
  return context->makeImage();
}

// ---- Metal layer frames -----------------------------------------------------------

struct MetalFrameBox {
  std::mutex mutex;
  std::shared_ptr<cg::Image> image;
};

void View::setMetalLayer(std::shared_ptr<ca::MetalLayer> layer) {
  metalLayer_ = std::move(layer);
  if (!metalLayer_) return;
  auto box = std::make_shared<MetalFrameBox>();
  metalFrame_ = box;
  // Frames may be presented on another thread: the newest is kept under
  // the box's lock and shown at the next composition.
  metalLayer_->setFrameSink([box](const ca::Frame& frame) {
    if (frame.pixelFormat != mtl::PixelFormat::BGRA8Unorm && frame.pixelFormat != mtl::PixelFormat::RGBA8Unorm)
      return;
    cg::PixelFormat format;
    format.width = frame.width;
    format.height = frame.height;
    format.bytesPerRow = frame.bytesPerRow;
    format.alphaInfo = frame.pixelFormat == mtl::PixelFormat::BGRA8Unorm ? cg::AlphaInfo::premultipliedFirst
                                                                         : cg::AlphaInfo::premultipliedLast;
    format.byteOrder = frame.pixelFormat == mtl::PixelFormat::BGRA8Unorm ? cg::ByteOrder::little32
                                                                         : cg::ByteOrder::defaultOrder;
    auto image = cg::Image::fromPixels(frame.pixels.data(), frame.pixels.size(), format);
    if (!image) return;
    std::lock_guard lock(box->mutex);
    box->image = std::move(image);
    setDisplayNeeded();
  });
}

void View::drawFrameOfMetalLayer(cg::Context& context) const {
  if (!metalFrame_) return;
  MetalFrameBox* box = metalFrame_.get();
  std::shared_ptr<cg::Image> image;
  {
    std::lock_guard lock(box->mutex);
    image = box->image;
  }
  if (!image) return;
  context.saveGState();
  context.translateCTM(0, bounds_.y() + bounds_.maxY());
  context.scaleCTM(1, -1);
  context.setInterpolationQuality(cg::InterpolationQuality::none);
  context.drawImage(bounds_, *image);
  context.restoreGState();
}

// ---- layout --------------------------------------------------------------------

void View::setNeedsLayout() {
  needsLayout_ = true;
  setDisplayNeeded();
}

void View::layoutIfNeeded() {
  if (needsLayout_) {
    needsLayout_ = false;
    layoutSubviews();
    if (viewController_) viewController_->viewDidLayoutSubviews();
  }
  // A copy: layout may change the tree.
  auto children = subviews_;
  for (auto& s : children) s->layoutIfNeeded();
}

void View::layoutSubviews() {}

void View::sizeToFit() {
  Size size = sizeThatFits(bounds_.size);
  Rect f = frame();
  setFrame({f.x(), f.y(), size.width, size.height});
}

// ---- hit testing -----------------------------------------------------------------

bool View::pointInside(Point p, const Event*) const {
  return p.x >= bounds_.x() && p.x < bounds_.maxX() && p.y >= bounds_.y() && p.y < bounds_.maxY();
}

View* View::hitTest(Point p, const Event* event) {
  if (hidden_ || !userInteractionEnabled_ || presentationAlpha() < 0.01) return nullptr;
  if (!pointInside(p, event)) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    View* sub = it->get();
    if (View* hit = sub->hitTest(convertPointTo(p, sub), event)) return hit;
  }
  return this;
}

AffineTransform View::transformToRoot() const {
  // A window is the root: its coordinates are the screen's.
  AffineTransform m;
  for (const View* v = this; v && !dynamic_cast<const Window*>(v); v = v->superview_) {
    const Rect f = v->presentationFrame();
    m = m.concat(AffineTransform::translation(-(v->bounds_.x() + f.width() / 2),
                                              -(v->bounds_.y() + f.height() / 2))
                     .concat(v->presentation_.transform.value_or(v->transform_))
                     .concat(AffineTransform::translation(f.midX(), f.midY())));
  }
  // Within a window, its own bounds origin (scrolling) still applies.
  if (window_ && (this == window_ || isDescendantOf(window_)))
    m = m.concat(AffineTransform::translation(-window_->bounds().x(), -window_->bounds().y()));
  return m;
}

Point View::convertPointTo(Point p, const View* view) const {
  Point root = transformToRoot().apply(p);
  if (!view) return root;
  AffineTransform to = view->transformToRoot();
  return to.isInvertible() ? to.inverted().apply(root) : root;
}

Point View::convertPointFrom(Point p, const View* view) const {
  Point root = view ? view->transformToRoot().apply(p) : p;
  AffineTransform mine = transformToRoot();
  return mine.isInvertible() ? mine.inverted().apply(root) : root;
}

Rect View::convertRectTo(const Rect& r, const View* view) const {
  Point a = convertPointTo(r.origin, view), b = convertPointTo({r.maxX(), r.maxY()}, view);
  return Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)};
}

// ---- gestures and responders -------------------------------------------------------

void View::addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer) {
  if (!recognizer) return;
  recognizer->view_ = this;
  gestureRecognizers_.push_back(std::move(recognizer));
}

void View::removeGestureRecognizer(const GestureRecognizer* recognizer) {
  auto& list = gestureRecognizers_;
  list.erase(std::remove_if(list.begin(), list.end(), [&](auto& g) { return g.get() == recognizer; }),
             list.end());
}

Responder* View::nextResponder() const {
  if (viewController_) return viewController_;
  return superview_;
}

// ---- touches -------------------------------------------------------------------

Point Touch::locationInView(const View* target) const {
  if (!target) return windowLocation;
  return target->convertPointFrom(windowLocation, nullptr);
}

Point Touch::previousLocationInView(const View* target) const {
  if (!target) return previousWindowLocation;
  return target->convertPointFrom(previousWindowLocation, nullptr);
}

}  // namespace ui
