// Which GL errors the chart has reported: each kind (the place that met
// the error, and its code) is printed once per process, so that a fault
// met at every frame (a shader program that did not build, a picture too
// large for any texture) is said once instead of filling the terminal.
//
// Thread rules: the GL thread only, like the reports themselves.
#pragma once

// True the first time `site` meets `code` in this process, which is then
// remembered; false at every later meeting.
bool firstGLErrorReport(const char* site, unsigned code);
