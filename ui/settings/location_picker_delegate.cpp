#include "ui/settings/location_picker_delegate.h"

#include "platform/uikit/navigation_controller.h"

void dismissPickerStack(ui::ViewController& picker) {
  ui::NavigationController* navigation = picker.navigationController();
  const bool ownStack = navigation && !navigation->viewControllers().empty() &&
                        navigation->viewControllers().front().get() == &picker;
  if (ownStack && picker.presentingViewController()) picker.dismissViewController(true);
}
