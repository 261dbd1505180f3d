// The base layer: a rectangle in points and the scale to pixels.
#pragma once

#include <any>
#include <map>
#include <string>
#include <string_view>

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
  // Values kept on the layer by key, as a layer keeps any key it is given
  // (categories on layers keep their state here); gone with the layer.
  // Layers are configured from one thread.
  const std::any* valueForKey(std::string_view key) const {
    auto found = values_.find(key);
    return found == values_.end() ? nullptr : &found->second;
  }
  void setValue(std::string key, std::any value) { values_[std::move(key)] = std::move(value); }

 private:
  Rect bounds_;
  double contentsScale_ = 1.0;
  std::map<std::string, std::any, std::less<>> values_;
};

}  // namespace ca
