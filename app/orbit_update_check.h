// When the orbit data are due for an update.
#pragma once

// More than an hour after the last update, or a last update stored as
// later than now. Julian dates.
bool orbitUpdateDue(double lastUpdateJD, double nowJD);
