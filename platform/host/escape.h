// The Escape key on the desktop: it leaves the top screen the way its own
// buttons do. An alert takes its cancel action; a screen with a Done (or
// Cancel) button in its navigation bar gets that button's action; a screen
// pushed onto a navigation stack goes back. The chart screen, which has
// none of these, ignores the key.
//
// Thread rules: main thread only.
#pragma once

namespace host {

// True when the key did something.
bool pressEscape();

}  // namespace host
