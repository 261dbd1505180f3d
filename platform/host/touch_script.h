// Touch scripts for the headless host: one command a line.
//
//   tap X Y                       a touch down and up at a point (points)
//   drag X1 Y1 X2 Y2 [SECONDS]    a finger moved in steps (default 0.3 s)
//   pinch X Y SCALE [SECONDS]     two fingers spreading (SCALE > 1) or closing
//   longpress X Y [SECONDS]       held still (default 0.8 s)
//   type TEXT                     the rest of the line, to the first responder
//   key return|backspace|tab     to the first responder
//   key up|down|left|right       the device turned, as the desktop's arrow keys do
//   rotate portrait|upsidedown|landscapeleft|landscaperight
//   attitude ROLL PITCH YAW       the device's attitude, in degrees
//   say PHRASE                    the rest of the line, heard by speech recognition
//   wait SECONDS                  jumps the clock, but lasts on the real clock
//                                 while work on other threads (a download)
//                                 has yet to report, up to its seconds
//   snapshot NAME                 a PNG of the screen once it has settled, NAME.png
//   background | foreground | quit
//   # a comment
//
// A line that does not parse is skipped with a message naming its number
// and quoting it, control characters escaped; a snapshot's NAME holds no
// '/', "..", or control character.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

enum class StepKind { tap, drag, pinch, longPress, type, key, rotate, wait, snapshot, background, foreground, quit, attitude, say };

struct Step {
  StepKind kind;
  double numbers[5] = {0, 0, 0, 0, 0};
  std::string text;
  int line = 0;
};

struct Script {
  std::vector<Step> steps;
  std::vector<std::string> messages;  // one per skipped line
};

Script parseTouchScript(std::string_view text);

}  // namespace host
