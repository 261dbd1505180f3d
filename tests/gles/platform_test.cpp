// The platform's limits follow the shared device's answers.
#include <gtest/gtest.h>

#include "gles/context/gl_enums.h"
#include "gles/context/platform.h"

namespace {

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override { saved = mglSharedMTLDevice()->limits(); }
  void TearDown() override { mglSharedMTLDevice()->setLimits(saved); }
  mtl::DeviceLimits saved;
};

TEST_F(PlatformTest, LimitsFromTheDevice) {
  EXPECT_EQ(mglSharedMTLDevice(), mglSharedMTLDevice());
  mtl::DeviceLimits limits;
  limits.textureSampleCounts = {1, 2, 4};
  mglSharedMTLDevice()->setLimits(limits);
  auto platform = mglMake<MGLPlatform>();
  EXPECT_EQ(platform->maxSampleCount(), 4);
  EXPECT_EQ(platform->maxTextureSize(), 16384);
  EXPECT_EQ(platform->maxTextureMaxAnisotropy(), 16);
  EXPECT_TRUE(platform->supportsMTLPixelFormatDepth16Unorm());
  EXPECT_TRUE(platform->supportsMultisampleStoreAndResolve());

  limits.textureSampleCounts = {1, 2, 4, 8};
  limits.featureSets = {mtl::FeatureSet::iOS_GPUFamily1_v2};
  limits.respondsToSupportsFamily = false;
  mglSharedMTLDevice()->setLimits(limits);
  platform = mglMake<MGLPlatform>();
  EXPECT_EQ(platform->maxSampleCount(), 8);
  EXPECT_EQ(platform->maxTextureSize(), 8192);
  EXPECT_FALSE(platform->supportsMTLPixelFormatDepth16Unorm());
  EXPECT_FALSE(platform->supportsMultisampleStoreAndResolve());

  limits.featureSets = {};
  limits.textureSampleCounts = {};
  mglSharedMTLDevice()->setLimits(limits);
  platform = mglMake<MGLPlatform>();
  EXPECT_EQ(platform->maxTextureSize(), 4096);
  EXPECT_EQ(platform->maxSampleCount(), 0);
}

TEST(Platform, StorageModesVersionAndLibraryQueries) {
  EXPECT_EQ(mglTextureStorageMode(mtl::PixelFormat::RGBA8Unorm, 1), mtl::StorageMode::Shared);
  EXPECT_EQ(mglTextureStorageMode(mtl::PixelFormat::RGBA8Unorm, 4), mtl::StorageMode::Private);
  EXPECT_EQ(mglTextureStorageMode(mtl::PixelFormat::Depth32Float, 1), mtl::StorageMode::Private);
  EXPECT_EQ(mglTextureStorageMode(mtl::PixelFormat::Stencil8, 1), mtl::StorageMode::Private);
  EXPECT_EQ(mglLibraryVersionString(false), "0.29.1");
  EXPECT_EQ(mglLibraryVersionString(true), "0.29.1 (build 1)");
  EXPECT_EQ(mglGetLibraryParameter(GL_OPENGL_USE_METAL_MGL), 1);
  EXPECT_EQ(mglGetLibraryParameter(GL_OPENGLES_AVAILABILITY_MGL), 0);
  EXPECT_EQ(mglGetLibraryParameter(GL_METAL_AVAILABILITY_MGL), 1);
  EXPECT_FALSE(mglGetLibraryParameter(GL_MAX_TEXTURE_SIZE).has_value());
}

TEST(Platform, DescriptorSettingsReadBackWhatWasWritten) {
  mtl::TextureDescriptor texture;
  setUsageMGL(texture, mtl::TextureUsageRenderTarget | mtl::TextureUsageShaderRead);
  setStorageModeMGL(texture, mtl::StorageMode::Private);
  EXPECT_EQ(usageMGL(texture), mtl::TextureUsageRenderTarget | mtl::TextureUsageShaderRead);
  EXPECT_EQ(storageModeMGL(texture), mtl::StorageMode::Private);
  mtl::SamplerDescriptor sampler;
  setCompareFunctionMGL(sampler, mtl::CompareFunction::LessEqual);
  EXPECT_EQ(compareFunctionMGL(sampler), mtl::CompareFunction::LessEqual);
}

}  // namespace
