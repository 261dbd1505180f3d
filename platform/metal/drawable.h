// What a command buffer presents. The Metal layer's drawables implement it.
#pragma once

#include <memory>

namespace mtl {

class Texture;

class Drawable {
 public:
  virtual ~Drawable() = default;
  virtual std::shared_ptr<Texture> texture() const = 0;
  // Shows the texture's current contents. Called on the GPU thread once the
  // command buffer that presents the drawable has executed.
  virtual void present() = 0;
};

}  // namespace mtl
