// What a headless snapshot waits for: the screen as the steps so far left
// it. A step's redraw requests are drawn at the next refresh, and the
// frames drawn run on the GPU thread, so the newest picture may still be on
// its way when the step ends: asked for and not drawn (a display link not
// paused, a request another thread posted to the main loop), or drawn and
// not presented (a command buffer committed and not completed).
//
// Thread rules: main thread only, the thread that drives the main loop.
#pragma once

namespace ns {
class RunLoop;
}

namespace host {

// Until nothing more is asked for: lays out the windows, waits for the GPUs
// of the screen's Metal layers to present what was committed, runs what
// other threads and the GPUs' handlers posted, and draws the frames asked
// for (display links stepped at `loop.now() - linkTimeOrigin`). Time on the
// loop's clock does not move. Gives up after `limitSeconds` of real time
// (a screen that never settles, a GPU that never finishes); returns
// whether the screen settled.
bool settleScreen(ns::RunLoop& loop, double linkTimeOrigin, double limitSeconds);

}  // namespace host
