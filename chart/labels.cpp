// Chart labels: one routine measures a text, refuses a place an earlier
// label of the frame holds, draws and records it; two more place a label
// at one of twelve positions round a point and try them in turn.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "chart/sky_chart.h"
#include "chart/text_atlas.h"
#include "skydata/bayer_letters.h"

namespace {

// The rectangles taken into account: once this many are held later labels
// are still drawn but no longer recorded.
constexpr int kRecordedLabelLimit = kLabelRectCapacity - 1;
// Offsets tried round a point.
constexpr int kLabelPositions = 12;
// cos 45 degrees as the diagonal positions use it.
constexpr float kDiagonal = 0.7071f;
// placeLabel's answer for a place the viewport's edge would cut.
constexpr int kLabelCutByEdge = -1;

bool isBayerKey(const char* text) { return text[0] == '$' && text[1] >= 'a' && text[1] <= 'z'; }

// Distance from a rectangle (centre and half sizes) to an object's figure:
// a circle round its centre (a point when the radius is 0). A label
// inside a large figure is as far from it as from its outline.
float figureDistance(float x, float y, float halfWidth, float halfHeight, const LabelAnchor& object) {
  const float ax = std::fabs(object.x - x), ay = std::fabs(object.y - y);
  const float nearest = std::hypot(std::fmax(ax - halfWidth, 0.0f), std::fmax(ay - halfHeight, 0.0f));
  if (nearest > object.radius) return nearest - object.radius;
  const float farthest = std::hypot(ax + halfWidth, ay + halfHeight);
  if (farthest < object.radius) return object.radius - farthest;
  return 0;
}

// Whether an object's figure is surely no nearer the rectangle than
// `distance`: the larger gap along one axis bounds the distance from below,
// so most of a frame's objects are passed over without a square root.
bool surelyNoNearer(float x, float y, float halfWidth, float halfHeight, const LabelAnchor& object,
                    float distance) {
  const float gap = std::fmax(std::fabs(object.x - x) - halfWidth, std::fabs(object.y - y) - halfHeight);
  return gap - object.radius >= distance;
}

}  // namespace

void CSkyChart::clearLabelRects() {
  std::memset(labelRects, 0, sizeof(LabelPosition) * kLabelRectCapacity);
  labelRectCount = 0;
  labelAnchorCount = 0;
  // The ground drawn in front after the labels covers what the hit test
  // counts as below the horizon; without it nothing is below.
  groundHidesLabels = displayCoordSystem == kCoordHorizon && showHorizon && horizonStyle >= 3;
}

bool CSkyChart::isLabelRectFree(float x, float y, float halfWidth, float halfHeight) const {
  for (int i = 0; i < labelRectCount; ++i) {
    const LabelPosition& r = labelRects[i];
    float dx = x - r.x, dy = y - r.y;
    if (dx < 0) dx = -dx;
    if (dy < 0) dy = -dy;
    // Touching counts as overlapping.
    if (dx <= halfWidth + r.halfWidth && dy <= halfHeight + r.halfHeight) return false;
  }
  return true;
}

void CSkyChart::setFontNames(const char* regular, const char* bold, const char* italic) {
  std::snprintf(regularFontName, sizeof regularFontName, "%s", regular ? regular : "");
  std::snprintf(boldFontName, sizeof boldFontName, "%s", bold ? bold : "");
  std::snprintf(italicFontName, sizeof italicFontName, "%s", italic ? italic : "");
  selectFont(fontStyle);
}

void CSkyChart::selectFont(int style) {
  const char* names[3] = {regularFontName, boldFontName, italicFontName};
  if (style < 0 || style > 2) return;
  fontStyle = style;
  std::snprintf(fontName, sizeof fontName, "%s", names[style]);
}

void CSkyChart::setTextHeight(float points) { textHeight = points * contentScale; }

int CSkyChart::drawLabel(const char* text, int alignment, bool check, float x, float y) {
  return placeLabel(text, alignment, check, x, y, nullptr, false) == 1 ? 1 : 0;
}

int CSkyChart::placeLabel(const char* text, int alignment, bool check, float x, float y,
                          const LabelAnchor* own, bool wholeInView) {
  if (text == nullptr) return 0;
  char spelled[256];
  const char* rest = text;
  const char* measured = text;
  bool keepKey = false;
  if (isBayerKey(text)) {
    if (showStarBayerLetters) {
      keepKey = true;
      measured = text + 1;
    } else {
      // The letter by name, then the rest; a name that makes the text too
      // long is cut with it.
      std::snprintf(spelled, sizeof spelled, "%s%s", bayerLetterNameForSymbol(text[1]),
                    text + 2);
      rest = measured = spelled;
    }
  }
  float w = getTextWidth(measured, 0) / 2;
  float h = textHeight / 2;
  float x0 = x + static_cast<float>(alignment - 1) * w;
  float centreX = x0 + w, centreY = y - h;
  if (check && (labelsInsideViewport || wholeInView) &&
      (centreX - w < viewportLeft || centreX + w > viewportRight || centreY - h < viewportTop ||
       centreY + h > viewportBottom))
    return kLabelCutByEdge;
  if (check && !isLabelRectFree(centreX, centreY, w, h)) return 0;
  if (check && groundHidesLabels && isLabelOnGround(centreX, centreY, w, h)) return 0;
  if (own != nullptr && isLabelNearerAnotherObject(centreX, centreY, w, h, *own)) return 0;
  if (keepKey) {
    CTextAtlas* glyphs = getGlyphAtlas();
    std::uint16_t glyph = glyphs != nullptr ? glyphs->glyphAt(text[1] - 'a') : 0;
    x0 += drawGlyphString(&glyph, 1, x0, y);
    rest = text + 2;
    if (rest[0] >= '1' && rest[0] <= '9') {
      // A raised index after the letter.
      x0 += drawTextString(rest, 1, x0, y - h);
      ++rest;
    }
  }
  drawTextString(rest, static_cast<int>(std::strlen(rest)), x0, y);
  if (labelRectCount < kRecordedLabelLimit) labelRects[labelRectCount++] = {centreX, centreY, w, h};
  return 1;
}

bool CSkyChart::isLabelNearerAnotherObject(float x, float y, float halfWidth, float halfHeight,
                                           const LabelAnchor& own) const {
  const float mine = figureDistance(x, y, halfWidth, halfHeight, own);
  for (int i = 0; i < labelAnchorCount; ++i) {
    const LabelAnchor& other = labelAnchors[i];
    if ((other.x != own.x || other.y != own.y) &&
        !surelyNoNearer(x, y, halfWidth, halfHeight, other, mine) &&
        figureDistance(x, y, halfWidth, halfHeight, other) < mine)
      return true;
  }
  return false;
}

bool CSkyChart::isScreenPointOnGround(float x, float y) const {
  double v[3];
  return screenToVector(v, x, y) && isBelowHorizon(v);
}

bool CSkyChart::isLabelOnGround(float x, float y, float halfWidth, float halfHeight) const {
  for (float dx : {-halfWidth, halfWidth})
    for (float dy : {-halfHeight, halfHeight})
      if (isScreenPointOnGround(x + dx, y + dy)) return true;
  return false;
}

void CSkyChart::addLabelAnchor(float x, float y, float radius) {
  // An object kept before its label is drawn is met again when it is.
  for (int i = 0; i < labelAnchorCount; ++i)
    if (labelAnchors[i].x == x && labelAnchors[i].y == y) return;
  if (labelAnchorCount < kLabelAnchorCapacity) labelAnchors[labelAnchorCount++] = {x, y, radius};
}

LabelAnchor CSkyChart::labelAnchorFor(float x, float y, float r) const {
  // Object layers place labels half a marker beyond the figure.
  return {x, y, std::fmax(r - markerSize * 0.5f, 0.0f)};
}

int CSkyChart::placeLabelAt(const char* text, int position, float x, float y, float r,
                            bool wholeInView) {
  float t = textHeight, k = kDiagonal * r;
  float px = x, py = y - r;
  int alignment = 0;
  switch (position) {
    case 0: px = x; py = y - r; alignment = 1; break;
    case 1: px = x + k; py = y - k; alignment = 1; break;
    case 2: px = x + r; py = y; alignment = 1; break;
    case 3: px = x + r; py = y + t; alignment = 1; break;
    case 4: px = x + k; py = y + k + t; alignment = 1; break;
    case 5: px = x; py = y + k + t; alignment = 1; break;
    case 6: px = x; py = y + k + t; alignment = -1; break;
    case 7: px = x - k; py = y + k + t; alignment = -1; break;
    case 8: px = x - r; py = y + t; alignment = -1; break;
    case 9: px = x - r; py = y; alignment = -1; break;
    case 10: px = x - k; py = y - k; alignment = -1; break;
    case 11: px = x; py = y - r; alignment = -1; break;
    default: break;  // centred above the point
  }
  const LabelAnchor own = labelAnchorFor(x, y, r);
  return placeLabel(text, alignment, true, px, py, &own, wholeInView);
}

int CSkyChart::drawLabelAt(const char* text, int position, float x, float y, float r) {
  int drawn = 0;
  if (!(groundHidesLabels && isScreenPointOnGround(x, y)))
    drawn = placeLabelAt(text, position, x, y, r, false) == 1 ? 1 : 0;
  const LabelAnchor own = labelAnchorFor(x, y, r);
  addLabelAnchor(own.x, own.y, own.radius);
  return drawn;
}

int CSkyChart::drawLabelNear(const char* text, int first, int step, float x, float y, float r) {
  int drawn = 0;
  // An object the ground will cover gets no label above it. A place that
  // the view's edge would cut is taken only when every place round the
  // object crosses the edge (a large object's label may fit nowhere
  // whole); a label kept out of whole places by others is left out.
  if (!(groundHidesLabels && isScreenPointOnGround(x, y))) {
    bool everyPlaceCut = true;
    for (int offset = 0; offset < kLabelPositions && drawn != 1; offset += step) {
      drawn = placeLabelAt(text, first + offset, x, y, r, true);
      everyPlaceCut = everyPlaceCut && drawn == kLabelCutByEdge;
      if (step <= 0) break;
    }
    for (int offset = 0; everyPlaceCut && offset < kLabelPositions && drawn != 1; offset += step) {
      drawn = placeLabelAt(text, first + offset, x, y, r, false);
      if (step <= 0) break;
    }
    if (drawn != 1) drawn = 0;
  }
  const LabelAnchor own = labelAnchorFor(x, y, r);
  addLabelAnchor(own.x, own.y, own.radius);
  return drawn;
}
