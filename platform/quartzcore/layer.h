// The base layer: a rectangle in points and the scale to pixels.
#pragma once

namespace ca {

struct Size {
  double width = 0;
  double height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  double x = 0, y = 0;
  Size size;
};

class Layer {
 public:
  virtual ~Layer() = default;
  Rect bounds() const { return bounds_; }
  void setBounds(Rect bounds) { bounds_ = bounds; }
  double contentsScale() const { return contentsScale_; }
  void setContentsScale(double scale) { contentsScale_ = scale; }

 private:
  Rect bounds_;
  double contentsScale_ = 1.0;
};

}  // namespace ca
