// Toolbars, date pickers, picker views and page view controllers.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/date.h"
#include "platform/uikit/controls.h"
#include "platform/uikit/gesture.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/view_controller.h"

namespace ui {

class Toolbar : public View {
 public:
  Toolbar();
  std::string className() const override { return "UIToolbar"; }
  void setItems(std::vector<std::shared_ptr<BarButtonItem>> items);
  const std::vector<std::shared_ptr<BarButtonItem>>& items() const { return items_; }
  std::optional<Color> barTintColor;
  int barStyle = 0;
  bool translucent = true;
  // The button shown for an item (null for spaces).
  Button* buttonForItem(std::size_t index) const;
  void layoutSubviews() override;
  void drawRect(cg::Context& context, const Rect& rect) override;

 private:
  std::vector<std::shared_ptr<BarButtonItem>> items_;
  std::vector<std::shared_ptr<View>> views_;
};

enum class DatePickerMode { time = 0, date = 1, dateAndTime = 2, countDownTimer = 3 };

// Columns of wheels; a tap above or below a column's middle turns it by
// one step and sends the value-changed actions.
class DatePicker : public Control {
 public:
  DatePicker();
  std::string className() const override { return "UIDatePicker"; }
  // "textColor" and "backgroundColor" can be set by key, as the platform's
  // private properties are.
  bool setValue(std::string_view key, const std::any& value) override;
  ns::Date date() const { return date_; }
  void setDate(ns::Date date, bool animated = false);
  ns::TimeZone timeZone = ns::TimeZone::defaultTimeZone();
  DatePickerMode mode = DatePickerMode::dateAndTime;
  std::optional<ns::Date> minimumDate, maximumDate;
  Color textColor = Color::black();
  // The texts of the columns shown for the present date and zone.
  std::vector<std::string> columnTexts() const;
  void drawRect(cg::Context& context, const Rect& rect) override;

 protected:
  void endTracking(Point point, bool inside) override;

 private:
  ns::Date date_ = ns::Date::now();
};

class PickerView;

class PickerViewDataSource {
 public:
  virtual ~PickerViewDataSource() = default;
  virtual int numberOfComponents(PickerView&) = 0;
  virtual int numberOfRows(PickerView&, int component) = 0;
};

class PickerViewDelegate {
 public:
  virtual ~PickerViewDelegate() = default;
  virtual std::string titleForRow(PickerView&, int row, int component) = 0;
  virtual void didSelectRow(PickerView&, int, int) {}
  virtual double widthForComponent(PickerView&, int) { return -1; }
};

class PickerView : public View {
 public:
  PickerView();
  std::string className() const override { return "UIPickerView"; }
  PickerViewDataSource* dataSource = nullptr;
  PickerViewDelegate* delegate = nullptr;
  double rowHeight = 32;
  void reloadAllComponents();
  int numberOfComponents() const { return int(selected_.size()); }
  int selectedRow(int component) const;
  void selectRow(int row, int component, bool animated);
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void drawRect(cg::Context& context, const Rect& rect) override;

 private:
  std::vector<int> selected_, counts_;
  double componentWidth(int component) const;
};

// A row of dots, one per page, the current page's in its own tint. Tints
// not set on the control come from the appearance of all page controls,
// read when it draws.
class PageControl : public View {
 public:
  explicit PageControl(const Rect& frame = {});
  std::string className() const override { return "UIPageControl"; }
  int numberOfPages() const { return numberOfPages_; }
  void setNumberOfPages(int count);
  int currentPage() const { return currentPage_; }
  // Kept within the pages.
  void setCurrentPage(int page);
  std::optional<Color> pageIndicatorTintColor, currentPageIndicatorTintColor;
  // The tints in use, the control's own or the appearance's.
  Color effectivePageIndicatorTint() const;
  Color effectiveCurrentPageIndicatorTint() const;
  // The centre of a page's dot, in the control's coordinates.
  Point dotCentre(int page) const;

  struct Appearance {
    std::optional<Color> pageIndicatorTintColor, currentPageIndicatorTintColor, backgroundColor;
  };
  static Appearance& appearance();
  static constexpr double kHeight = 37, kDotDiameter = 7, kDotSpacing = 16;

  void drawRect(cg::Context& context, const Rect& rect) override;

 private:
  int numberOfPages_ = 0, currentPage_ = 0;
};

class PageViewController;

class PageViewControllerDataSource {
 public:
  virtual ~PageViewControllerDataSource() = default;
  virtual std::shared_ptr<ViewController> before(PageViewController&, ViewController&) = 0;
  virtual std::shared_ptr<ViewController> after(PageViewController&, ViewController&) = 0;
  // The page indicator under the pages: how many dots, and the one lit
  // when pages are set (not when they are turned). No indicator for a
  // count of 0.
  virtual long presentationCount(PageViewController&) { return 0; }
  virtual long presentationIndex(PageViewController&) { return 0; }
};

enum class PageDirection { forward, reverse };

// One page at a time; a horizontal swipe turns to the next or previous page.
class PageViewController : public ViewController {
 public:
  PageViewController();
  std::string className() const override { return "UIPageViewController"; }
  void loadView() override;
  void setViewControllers(std::vector<std::shared_ptr<ViewController>> pages, PageDirection direction,
                          bool animated, std::function<void(bool)> completion = {});
  const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return pages_; }
  PageViewControllerDataSource* dataSource = nullptr;
  // Turns a page as a swipe would; false when there is none that way.
  bool turn(PageDirection direction);
  // The indicator, once the data source has asked for one; else null.
  PageControl* pageControl() const { return pageControl_.get(); }

 protected:
  std::vector<ViewController*> appearingChildren() const override;

 private:
  void show(const std::shared_ptr<ViewController>& old,
            const std::shared_ptr<ViewController>& next, bool animated);
  // The pages' area: the view above the indicator.
  Rect pageFrame();

  std::vector<std::shared_ptr<ViewController>> pages_;
  std::shared_ptr<PanGestureRecognizer> swipe_;
  std::shared_ptr<PageControl> pageControl_;
};

}  // namespace ui
