// Display links run on the main run loop: a view adds its link here and
// the host steps every live link once per screen refresh.
#pragma once

#include <memory>

namespace ca {
class DisplayLink;
}

namespace ui {

// Adds a link to the main run loop (kept weakly: a link that is gone or
// invalidated drops out).
void addDisplayLinkToMainRunLoop(const std::shared_ptr<ca::DisplayLink>& link);
// One refresh of every link that is not paused, at a time in seconds.
void stepDisplayLinks(double timestamp);
// True when a link is not paused: a frame was asked for and is still to be
// drawn at the next refresh.
bool displayLinksWaiting();
std::size_t displayLinkCount();

}  // namespace ui
