// The menu of a row that shows an event (a rise, a pass, the time a
// satellite is visible), shared by the information and list screens:
// show the event on the chart, or set an alert before it.
//
// Thread rules: main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/uikit/controls.h"
#include "platform/uikit/table_view.h"

struct SkyObjectID;

// "<object> <label>", the name of the event the alert carries.
std::string eventName(const std::string& objectName, const std::string& label);

// The alert titled "<object> <label> @ <date and time of jd>" with the
// actions "Cancel", "Show Event" (`showEvent`) and "Set Alert For Event",
// which schedules an alert the settings' warning time before the event.
void showEventMenu(const std::string& objectName, const std::string& label, double jd,
                   const SkyObjectID& object, std::function<void()> showEvent);

// The clock button of a row with an event: 19 x 19 points, the image
// "Clock.png", sending "accessoryButtonTapped:" to `target` on a tap, with
// the tag row + section x 65536.
std::shared_ptr<ui::Button> makeClockButton(ui::Object* target, int row, int section);
// The row and section a clock button was made for, from its tag.
ui::IndexPath clockButtonPath(const ui::View& button);

// The chart in the sky view at the event's time (real time off).
void showEventOnChart(double jd);
