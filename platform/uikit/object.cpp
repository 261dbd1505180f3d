#include "platform/uikit/object.h"

namespace ui {

bool Object::setValue(std::string_view, const std::any&) { return false; }
bool Object::performAction(std::string_view, Object*) { return false; }

}  // namespace ui
