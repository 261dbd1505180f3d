#include "platform/uikit/display_links.h"

#include <algorithm>
#include <vector>

#include "platform/quartzcore/display_link.h"

namespace ui {
namespace {
std::vector<std::weak_ptr<ca::DisplayLink>>& links() {
  static std::vector<std::weak_ptr<ca::DisplayLink>> list;
  return list;
}
}  // namespace

void addDisplayLinkToMainRunLoop(const std::shared_ptr<ca::DisplayLink>& link) {
  if (link) links().push_back(link);
}

void stepDisplayLinks(double timestamp) {
  auto& list = links();
  list.erase(std::remove_if(list.begin(), list.end(), [](auto& w) { return w.expired(); }), list.end());
  auto current = list;
  for (auto& weak : current)
    if (auto link = weak.lock(); link && !link->isPaused()) link->step(timestamp);
}

bool displayLinksWaiting() {
  return std::any_of(links().begin(), links().end(), [](auto& weak) {
    auto link = weak.lock();
    return link && link->isValid() && !link->isPaused();
  });
}

std::size_t displayLinkCount() {
  auto& list = links();
  list.erase(std::remove_if(list.begin(), list.end(), [](auto& w) { return w.expired(); }), list.end());
  return list.size();
}

}  // namespace ui
