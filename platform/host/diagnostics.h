// What the program tells a terminal about itself. Internal information
// (the GL layer's notes, what the sound libraries print while a device is
// looked for) is shown only with tracing on: TESSALY_TRACE set to anything
// but "" or "0". A fatal signal prints one line saying what happened, then
// ends the process as the signal would have (a core file where enabled).
//
// Thread rules: install the signal report on the main thread before other
// threads start; the report itself runs on whichever thread faults.
#pragma once

namespace host {

bool tracing();
void reportFatalSignals();
// The line a fatal signal prints ("" for a signal not reported).
const char* fatalSignalLine(int signal);

}  // namespace host
