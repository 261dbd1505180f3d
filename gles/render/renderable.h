// Objects that apply their state to the renderer's open render command
// encoder before a draw: the state objects, the uniform buffers and the
// vertex content buffers. Each decides itself whether anything must be set.
#pragma once

class MGLRenderer;

class MGLRenderable {
 public:
  virtual void renderTo(MGLRenderer& renderer) = 0;

 protected:
  ~MGLRenderable() = default;
};
