// Scroll views: content larger than the view, moved by dragging (with a
// glide after a flick) or by calls; the content offset is the bounds'
// origin, so subviews scroll with it.
#pragma once

#include <memory>

#include "platform/uikit/gesture.h"
#include "platform/uikit/view.h"

namespace ui {

class ScrollView;

class ScrollViewDelegate {
 public:
  virtual ~ScrollViewDelegate() = default;
  virtual void scrollViewDidScroll(ScrollView&) {}
  virtual void scrollViewWillBeginDragging(ScrollView&) {}
  virtual void scrollViewDidEndDragging(ScrollView&, bool /*willDecelerate*/) {}
  virtual void scrollViewDidEndDecelerating(ScrollView&) {}
};

class ScrollView : public View, private GestureRecognizerDelegate {
 public:
  ScrollView();
  explicit ScrollView(const Rect& frame);
  ~ScrollView() override;
  std::string className() const override { return "UIScrollView"; }
  bool setValue(std::string_view key, const std::any& value) override;

  Size contentSize() const { return contentSize_; }
  void setContentSize(Size size);
  Point contentOffset() const { return bounds().origin; }
  void setContentOffset(Point offset, bool animated = false);
  EdgeInsets contentInset;
  // The offsets the content can take.
  Point minimumOffset() const;
  Point maximumOffset() const;
  void scrollRectToVisible(const Rect& rect, bool animated);
  bool isDragging() const { return dragging_; }
  bool isDecelerating() const { return decelerating_; }
  bool scrollEnabled = true;
  bool delaysContentTouches = true;
  bool canCancelContentTouches = true;
  bool showsVerticalScrollIndicator = true;
  ScrollViewDelegate* scrollDelegate = nullptr;
  PanGestureRecognizer& panGestureRecognizer() { return *pan_; }

 protected:
  virtual void didScroll() {}
  void setBounds(const Rect& bounds) override;

 private:
  // A drag mostly sideways over a view with no room to scroll sideways is
  // not this view's: it stays for the recognisers of the views around it
  // (a page turner).
  bool gestureRecognizerShouldBegin(GestureRecognizer& pan) override;
  void handlePan(GestureRecognizer& pan);
  void glide();
  void stopMotion();
  std::shared_ptr<PanGestureRecognizer> pan_;
  Size contentSize_;
  Point dragStart_;
  Point velocity_;
  Point animationFrom_, animationTo_;
  double animationStart_ = 0;
  bool dragging_ = false, decelerating_ = false, animating_ = false;
  std::shared_ptr<ns::Timer> timer_;
};

}  // namespace ui
