#include <gtest/gtest.h>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"

namespace {

class TextureUnitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context = mglMake<MGLContext>();
    mglSetCurrentContext(context.get());
    mglLoggingEnabled = false;
  }
  void TearDown() override {
    mglSetCurrentContext(nullptr);
    mglLoggingEnabled = true;
  }
  MGLTexture* texture(GLID name) {
    return static_cast<MGLTexture*>(context->textures()->getObjectWithGLID(name));
  }
  MGLRef<MGLContext> context;
};

TEST_F(TextureUnitsTest, UnitsStartOnTheDefaultTexture) {
  for (MGLTextureUnits* units : {context->textureUnits2D(), context->textureUnitsCube()}) {
    for (GLuint unit = 0; unit < 16; ++unit) {
      MGLTexture* bound = units->getTextureBoundToTextureUnit(unit);
      ASSERT_EQ(bound, units->defaultTexture());
      EXPECT_EQ(bound->glID(), 0u);
      EXPECT_EQ(bound->target(), units->target());
    }
  }
  EXPECT_NE(context->textureUnits2D()->defaultTexture(),
            context->textureUnitsCube()->defaultTexture());
}

TEST_F(TextureUnitsTest, FirstBindingFixesTheTarget) {
  MGLTextureUnits* flat = context->textureUnits2D();
  MGLTextureUnits* cube = context->textureUnitsCube();
  MGLTexture* t = texture(3);
  flat->bindTexture(t, 2);
  EXPECT_EQ(t->target(), GL_TEXTURE_2D);
  EXPECT_EQ(flat->getTextureBoundToTextureUnit(2), t);
  context->setCurrentFunctionName("glBindTexture");
  cube->bindTexture(t, 2);
  EXPECT_EQ(context->currentError(), GL_INVALID_OPERATION);
  EXPECT_EQ(context->currentErrorText(),
            "GL_INVALID_OPERATION. glBindTexture(): Texture 3 was created for target "
            "GL_TEXTURE_2D and cannot be bound to target GL_TEXTURE_CUBE_MAP.");
  EXPECT_EQ(cube->getTextureBoundToTextureUnit(2), cube->defaultTexture());
  flat->bindTexture(nullptr, 2);
  EXPECT_EQ(flat->getTextureBoundToTextureUnit(2), flat->defaultTexture());
}

TEST_F(TextureUnitsTest, RemovingATextureRestoresTheDefault) {
  MGLTextureUnits* flat = context->textureUnits2D();
  MGLTexture* t = texture(5);
  MGLTexture* other = texture(6);
  flat->bindTexture(t, 0);
  flat->bindTexture(t, 5);
  flat->bindTexture(other, 7);
  flat->removeTextureWithGLID(0);
  flat->removeTextureWithGLID(5);
  EXPECT_EQ(flat->getTextureBoundToTextureUnit(0), flat->defaultTexture());
  EXPECT_EQ(flat->getTextureBoundToTextureUnit(5), flat->defaultTexture());
  EXPECT_EQ(flat->getTextureBoundToTextureUnit(7), other);
}

TEST_F(TextureUnitsTest, UnitSixteenIsRefused) {
  context->setCurrentFunctionName("glActiveTexture");
  context->textureUnits2D()->bindTexture(texture(1), 16);
  EXPECT_EQ(context->currentError(), GL_INVALID_ENUM);
  EXPECT_EQ(context->currentErrorText(),
            "GL_INVALID_ENUM. glActiveTexture(): GL_TEXTURE16 is not a valid a texture unit "
            "value. DivezoVO supports a maximum of 16 texture units.");
  EXPECT_EQ(context->textureUnits2D()->getTextureBoundToTextureUnit(16), nullptr);
  EXPECT_EQ(context->currentError(), GL_INVALID_ENUM);
}

}  // namespace
