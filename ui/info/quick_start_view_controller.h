// QuickStartViewController: the nine quick-start pages of the bundle's
// "Help" folder, swiped through one at a time; shown at a version's first
// launch and from the help list.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/uikit/pickers.h"
#include "ui/foundation/sv_view_controller.h"

class HelpItemViewController;

class QuickStartViewController : public SVViewController, private ui::PageViewControllerDataSource {
 public:
  QuickStartViewController();
  std::string className() const override { return "QuickStartViewController"; }
  // A new screen from the screen definition "QuickStartView".
  static std::shared_ptr<QuickStartViewController> create();
  // The quick start from its view load until it has disappeared, else null.
  static QuickStartViewController* currentController();

  const std::vector<std::string>& contentPages() const { return contentPages_; }
  long pageCount() const { return static_cast<long>(contentPages_.size()); }
  ui::PageViewController* pageController() const { return pageController_.get(); }
  // The page screen of an index, or null past the last page.
  std::shared_ptr<HelpItemViewController> viewControllerAtIndex(long index) const;
  void doneTouched(ui::Object* sender);

  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;
  void loadView() override;
  void viewDidLoad() override;
  void viewDidDisappear(bool animated) override;

 private:
  std::shared_ptr<ui::ViewController> before(ui::PageViewController&,
                                             ui::ViewController& page) override;
  std::shared_ptr<ui::ViewController> after(ui::PageViewController&,
                                            ui::ViewController& page) override;
  long presentationCount(ui::PageViewController&) override { return pageCount(); }
  long presentationIndex(ui::PageViewController&) override { return 0; }

  std::vector<std::string> contentPages_;
  std::shared_ptr<ui::PageViewController> pageController_;
};
