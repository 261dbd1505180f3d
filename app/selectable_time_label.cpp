#include "app/selectable_time_label.h"

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "chart/sky_chart.h"
#include "platform/coregraphics/text.h"
#include "platform/uikit/interface_loader.h"

namespace {

// Time-flow unit codes of the groups.
constexpr int kYear = 0, kMonth = 1, kDay = 2;
// The hour, minutes and seconds: their tens and units digits.
constexpr int kTensUnits[3] = {30, 40, 50};
constexpr int kUnitsUnits[3] = {3, 4, 5};

// Where the date groups stand among the text's tokens for each date
// format the chart uses, and the order they are searched in.
struct DateLayout {
  std::string_view format;
  std::size_t yearToken, monthToken, dayToken;
  std::array<int, 3> order;
  std::size_t tokenOf(int unit) const { return unit == kYear ? yearToken : unit == kMonth ? monthToken : dayToken; }
};
constexpr DateLayout kDateLayouts[] = {
    {"%a %b %d, %Y BC", 3, 1, 2, {kMonth, kDay, kYear}},
    {"%a %m/%d/%Y BC", 3, 1, 2, {kMonth, kDay, kYear}},
    {"%a %d/%m/%Y BC", 3, 2, 1, {kDay, kMonth, kYear}},
    {"BC %Y %b %d %a", 0, 1, 2, {kYear, kMonth, kDay}},
    {"%a %Y/%m/%d BC", 1, 2, 3, {kYear, kMonth, kDay}},
    {"%a %Y, %b %d BC", 1, 2, 3, {kYear, kMonth, kDay}},
    {"%a %Y/%d/%m BC", 1, 3, 2, {kYear, kDay, kMonth}},
};

// Tokens 4, 5 and 6 are the hour, minutes and seconds.
constexpr std::size_t kFirstTimeToken = 4;
constexpr double kUnderlineHeight = 2, kUnderlineFromBottom = 3;

struct Token {
  std::size_t start, length;
};

std::vector<Token> tokensOf(std::string_view text) {
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = text.find_first_not_of(" ,:/", i);
    if (start == std::string_view::npos) break;
    std::size_t end = text.find_first_of(" ,:/", start);
    if (end == std::string_view::npos) end = text.size();
    tokens.push_back({start, end - start});
    i = end;
  }
  return tokens;
}

double measuredWidth(std::string_view text, const ui::Font& font) {
  return std::ceil(cg::textSize(text, font.cgFont()).width);
}

}  // namespace

SelectableTimeLabel::SelectableTimeLabel() : SelectableTimeLabel(ui::Rect{}) {}

SelectableTimeLabel::SelectableTimeLabel(const ui::Rect& frame) : ui::Label(frame) {
  setTextAlignment(ui::TextAlignment::right);
  setUserInteractionEnabled(true);  // its groups are tap targets
}

void SelectableTimeLabel::registerInterfaceClass() {
  ui::InterfaceLoader::registerClass("SelectableTimeLabel",
                                     [](const ui::Coder&) { return std::make_shared<SelectableTimeLabel>(); });
}

bool SelectableTimeLabel::setValue(std::string_view key, const std::any& value) {
  const bool taken = ui::Label::setValue(key, value);
  if (key == "textAlignment") setTextAlignment(ui::TextAlignment::right);
  return taken;
}

void SelectableTimeLabel::setText(std::string text) {
  ui::Label::setText(std::move(text));
  locateGroups();
}

void SelectableTimeLabel::setSelectedTimeUnit(int unit) {
  selectedTimeUnit_ = unit;
  setNeedsDisplay();
}

void SelectableTimeLabel::setDrawUnderline(bool on) {
  drawUnderline_ = on;
  setNeedsDisplay();
}

int SelectableTimeLabel::slotOf(int unit) {
  switch (unit) {
    case 0: case 1: case 2: case 3: case 4: case 5: return unit;
    case 30: return 6;
    case 40: return 7;
    case 50: return 8;
    default: return -1;
  }
}

SelectableTimeLabel::Group SelectableTimeLabel::groupForUnit(int unit) const {
  const int slot = slotOf(unit);
  return slot >= 0 ? groups_[static_cast<std::size_t>(slot)] : Group{};
}

std::size_t SelectableTimeLabel::findLocation(std::string_view text, std::string_view group, const ui::Font& font,
                                              double boundsWidth, std::size_t afterLocation, std::size_t afterLength,
                                              Group& out) {
  const std::size_t from = afterLocation + afterLength;
  if (group.empty() || from > text.size()) return std::string_view::npos;
  const std::size_t found = text.find(group, from);
  if (found == std::string_view::npos) return found;
  out.width = measuredWidth(group, font);
  // Right-aligned text: the group starts where the rest of the text, from
  // the group on, is measured back from the right edge.
  out.start = boundsWidth - measuredWidth(text.substr(found), font);
  return found;
}

void SelectableTimeLabel::locateGroups() {
  groups_.fill(Group{});
  const std::string_view text = this->text();
  const std::vector<Token> tokens = tokensOf(text);
  // An era token moves every later token: nothing can be placed by position.
  for (const Token& token : tokens)
    if (text.substr(token.start, token.length) == "BC") return;

  std::string_view dateFormat;
  auto controller = controller_.lock();
  if (controller && controller->pSkyChart() != nullptr) {
    const char* format = controller->pSkyChart()->dateFormat;
    dateFormat = std::string_view(format, strnlen(format, sizeof controller->pSkyChart()->dateFormat));
  }
  const ui::FontPointer font = this->font();
  const double width = bounds().width();

  // Each search starts after the last group found; one not found (or past
  // the tokens) stays not located and moves nothing.
  std::size_t lastLocation = 0, lastLength = 0;
  auto locate = [&](int unit, std::size_t token, std::size_t offset, std::size_t length) {
    if (token >= tokens.size()) return;
    const Token& t = tokens[token];
    if (length == std::string_view::npos) length = t.length - offset;
    if (offset + length > t.length) return;
    const std::string_view piece = text.substr(t.start + offset, length);
    Group& group = groups_[static_cast<std::size_t>(slotOf(unit))];
    const std::size_t found = findLocation(text, piece, *font, width, lastLocation, lastLength, group);
    if (found == std::string_view::npos) return;
    lastLocation = found, lastLength = piece.size();
  };

  for (const DateLayout& layout : kDateLayouts) {
    if (layout.format != dateFormat) continue;
    for (int unit : layout.order) locate(unit, layout.tokenOf(unit), 0, std::string_view::npos);
    break;
  }
  for (std::size_t k = 0; k < 3; ++k) {
    locate(kTensUnits[k], kFirstTimeToken + k, 0, 1);
    locate(kUnitsUnits[k], kFirstTimeToken + k, 1, 1);
  }
}

void SelectableTimeLabel::drawRect(cg::Context& context, const ui::Rect& rect) {
  ui::Label::drawRect(context, rect);
  const Group group = groupForUnit(selectedTimeUnit_);
  if (!drawUnderline_ || !group.located()) return;
  context.setFillColor(AppDelegate::defaultTintColor().cg());
  context.fillRect({group.start, frame().height() - kUnderlineFromBottom, group.width, kUnderlineHeight});
}

void SelectableTimeLabel::touchesBegan(const ui::TouchSet& touches, const ui::Event&) {
  if (touches.empty()) return;
  const double x = touches.front()->locationInView(this).x;
  // Units digits before tens, time before date: the narrowest targets first.
  for (int unit : {5, 4, 3, 50, 40, 30, 2, 1, 0}) {
    const Group group = groupForUnit(unit);
    if (!group.located() || x < group.start || x > group.start + group.width) continue;
    if (auto controller = controller_.lock()) controller->timeFlowUnitsChanged(unit);
    return;
  }
}
