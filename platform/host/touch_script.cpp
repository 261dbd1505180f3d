#include "platform/host/touch_script.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "support/utf8.h"

namespace host {
namespace {

constexpr double kLongestWait = 3600;  // seconds one step may take
constexpr double kFarthest = 100000;   // points from the origin

bool readNumber(std::istringstream& in, double& out, double low, double high) {
  std::string word;
  if (!(in >> word)) return false;
  char* end = nullptr;
  out = std::strtod(word.c_str(), &end);
  return end && *end == '\0' && std::isfinite(out) && out >= low && out <= high;
}

bool optionalNumber(std::istringstream& in, double& out, double low, double high) {
  std::string word;
  if (!(in >> word)) return true;  // absent: keep the default
  char* end = nullptr;
  double value = std::strtod(word.c_str(), &end);
  if (!end || *end != '\0' || !std::isfinite(value) || value < low || value > high) return false;
  out = value;
  std::string extra;
  return !(in >> extra);
}

}  // namespace

Script parseTouchScript(std::string_view text) {
  Script script;
  std::istringstream lines{std::string(text)};
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream in(line);
    std::string command;
    if (!(in >> command) || command[0] == '#') continue;
    Step step{};
    step.line = number;
    bool ok = true;
    auto points = [&](int count) {
      for (int i = 0; i < count && ok; ++i) ok = readNumber(in, step.numbers[i], -kFarthest, kFarthest);
    };
    if (command == "tap") {
      step.kind = StepKind::tap;
      points(2);
      std::string extra;
      ok = ok && !(in >> extra);
    } else if (command == "drag") {
      step.kind = StepKind::drag;
      points(4);
      step.numbers[4] = 0.3;
      ok = ok && optionalNumber(in, step.numbers[4], 0.01, kLongestWait);
    } else if (command == "pinch") {
      step.kind = StepKind::pinch;
      points(2);
      ok = ok && readNumber(in, step.numbers[2], 0.05, 20);
      step.numbers[3] = 0.4;
      ok = ok && optionalNumber(in, step.numbers[3], 0.01, kLongestWait);
    } else if (command == "longpress") {
      step.kind = StepKind::longPress;
      points(2);
      step.numbers[2] = 0.8;
      ok = ok && optionalNumber(in, step.numbers[2], 0.01, kLongestWait);
    } else if (command == "type") {
      step.kind = StepKind::type;
      std::getline(in >> std::ws, step.text);
      ok = !step.text.empty();
    } else if (command == "key") {
      step.kind = StepKind::key;
      ok = static_cast<bool>(in >> step.text) &&
           (step.text == "return" || step.text == "backspace" || step.text == "tab" || step.text == "up" ||
            step.text == "down" || step.text == "left" || step.text == "right");
    } else if (command == "rotate") {
      step.kind = StepKind::rotate;
      ok = static_cast<bool>(in >> step.text);
      if (ok) {
        if (step.text == "portrait") step.numbers[0] = 1;
        else if (step.text == "upsidedown") step.numbers[0] = 2;
        else if (step.text == "landscapeleft" || step.text == "landscape") step.numbers[0] = 3;
        else if (step.text == "landscaperight") step.numbers[0] = 4;
        else ok = false;
      }
    } else if (command == "attitude") {
      step.kind = StepKind::attitude;
      for (int i = 0; i < 3 && ok; ++i) ok = readNumber(in, step.numbers[i], -360, 360);
      std::string extra;
      ok = ok && !(in >> extra);
    } else if (command == "say") {
      step.kind = StepKind::say;
      std::getline(in >> std::ws, step.text);
      ok = !step.text.empty();
    } else if (command == "wait") {
      step.kind = StepKind::wait;
      ok = readNumber(in, step.numbers[0], 0, kLongestWait);
    } else if (command == "snapshot") {
      step.kind = StepKind::snapshot;
      ok = static_cast<bool>(in >> step.text) && step.text.find('/') == std::string::npos &&
           step.text.find("..") == std::string::npos && step.text.size() <= 100 &&
           printableText(step.text) == step.text;
    } else if (command == "background") {
      step.kind = StepKind::background;
    } else if (command == "foreground") {
      step.kind = StepKind::foreground;
    } else if (command == "quit") {
      step.kind = StepKind::quit;
    } else {
      ok = false;
    }
    if (!ok) {
      script.messages.push_back("touch script line " + std::to_string(number) + ": cannot read \"" +
                                printableText(line) + "\"; skipped");
      continue;
    }
    script.steps.push_back(std::move(step));
  }
  return script;
}

}  // namespace host
