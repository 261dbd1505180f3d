// Every numeric state query the GL layer answers, with its number of
// values, and a snapshot of all of them through glGetIntegerv: the tests
// compare snapshots to see exactly what a call changed.
#pragma once

#include <map>
#include <vector>

#include "gles/context/gl.h"

namespace tessaly::test {

struct GLQuery {
  GLenum pname;
  int count;
};

inline const std::vector<GLQuery>& allGLQueries() {
  static const std::vector<GLQuery> queries = {
      // The library's switches and values.
      {GL_DEBUG_MODE_MGL, 1}, {GL_ERROR_ASSERTION_MGL, 1},
      {GL_ENSURE_VERTEX_BUFFER_SIZE_ON_DRAW_MGL, 1}, {GL_LOG_SHADER_CONVERSION_SOURCE_CODE_MGL, 1},
      {GL_DEFERRED_DRAWABLE_MGL, 1}, {GL_METAL_SHADER_COMPILER_FAST_MATH_MGL, 1},
      {GL_FLIP_TEXTURES_PVRTC_MGL, 1}, {GL_SWIZZLE_MISMATCHED_TEXTURES_MGL, 1},
      {GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_OFF_MGL, 1}, {GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_MGL, 1},
      {GL_LOGGING_MGL, 1}, {GL_SHADER_SOURCE_LANG, 1}, {GL_CONSUMABLE_RESOURCE_POOL_SIZE_MGL, 1},
      {GL_CONSUMABLE_RESOURCE_POOL_INDEX_MGL, 1}, {GL_SHADER_LIBRARY_BINDING_MGL, 1},
      // Capabilities and write masks.
      {GL_CULL_FACE, 1}, {GL_DEPTH_TEST, 1}, {GL_DEPTH_WRITEMASK, 1}, {GL_STENCIL_TEST, 1},
      {GL_DITHER, 1}, {GL_BLEND, 1}, {GL_SCISSOR_TEST, 1}, {GL_POLYGON_OFFSET_FILL, 1},
      {GL_SAMPLE_ALPHA_TO_COVERAGE, 1}, {GL_COLOR_WRITEMASK, 4}, {GL_SHADER_COMPILER, 1},
      // Render state.
      {GL_LINE_WIDTH, 1}, {GL_CULL_FACE_MODE, 1}, {GL_FRONT_FACE, 1}, {GL_DEPTH_RANGE, 2},
      {GL_DEPTH_CLEAR_VALUE, 1}, {GL_DEPTH_FUNC, 1}, {GL_STENCIL_CLEAR_VALUE, 1},
      {GL_STENCIL_FUNC, 1}, {GL_STENCIL_VALUE_MASK, 1}, {GL_STENCIL_FAIL, 1},
      {GL_STENCIL_PASS_DEPTH_FAIL, 1}, {GL_STENCIL_PASS_DEPTH_PASS, 1}, {GL_STENCIL_REF, 1},
      {GL_STENCIL_WRITEMASK, 1}, {GL_STENCIL_BACK_FUNC, 1}, {GL_STENCIL_BACK_FAIL, 1},
      {GL_STENCIL_BACK_PASS_DEPTH_FAIL, 1}, {GL_STENCIL_BACK_PASS_DEPTH_PASS, 1},
      {GL_STENCIL_BACK_REF, 1}, {GL_STENCIL_BACK_VALUE_MASK, 1}, {GL_STENCIL_BACK_WRITEMASK, 1},
      {GL_VIEWPORT, 4}, {GL_SCISSOR_BOX, 4}, {GL_COLOR_CLEAR_VALUE, 4}, {GL_UNPACK_ALIGNMENT, 1},
      {GL_PACK_ALIGNMENT, 1}, {GL_POLYGON_OFFSET_UNITS, 1}, {GL_POLYGON_OFFSET_FACTOR, 1},
      {GL_BLEND_COLOR, 4}, {GL_BLEND_EQUATION, 1}, {GL_BLEND_EQUATION_ALPHA, 1},
      {GL_BLEND_DST_RGB, 1}, {GL_BLEND_SRC_RGB, 1}, {GL_BLEND_DST_ALPHA, 1},
      {GL_BLEND_SRC_ALPHA, 1}, {GL_GENERATE_MIPMAP_HINT, 1},
      {GL_FRAGMENT_SHADER_DERIVATIVE_HINT_OES, 1}, {GL_ACTIVE_TEXTURE, 1},
      // Bindings.
      {GL_TEXTURE_BINDING_2D, 1}, {GL_TEXTURE_BINDING_CUBE_MAP, 1},
      {GL_VERTEX_ARRAY_BINDING_OES, 1}, {GL_ARRAY_BUFFER_BINDING, 1},
      {GL_ELEMENT_ARRAY_BUFFER_BINDING, 1}, {GL_FRAMEBUFFER_BINDING, 1},
      {GL_RENDERBUFFER_BINDING, 1}, {GL_READ_FRAMEBUFFER_BINDING_APPLE, 1},
      {GL_CURRENT_PROGRAM, 1},
      // Limits and constants.
      {GL_SUBPIXEL_BITS, 1}, {GL_MAX_TEXTURE_SIZE, 1}, {GL_MAX_VIEWPORT_DIMS, 2},
      {GL_MAX_RENDERBUFFER_SIZE, 1}, {GL_MAX_CUBE_MAP_TEXTURE_SIZE, 1},
      {GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, 1}, {GL_MAX_SAMPLES_APPLE, 1},
      {GL_ALIASED_POINT_SIZE_RANGE, 2}, {GL_ALIASED_LINE_WIDTH_RANGE, 2},
      {GL_MAX_VERTEX_ATTRIBS, 1}, {GL_MAX_TEXTURE_IMAGE_UNITS, 1},
      {GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS, 1}, {GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, 1},
      {GL_MAX_VERTEX_UNIFORM_VECTORS, 1}, {GL_MAX_VARYING_VECTORS, 1},
      {GL_MAX_FRAGMENT_UNIFORM_VECTORS, 1}, {GL_SHADER_BINARY_FORMATS, 1},
      {GL_NUM_SHADER_BINARY_FORMATS, 1}, {GL_NUM_COMPRESSED_TEXTURE_FORMATS, 1},
      {GL_COMPRESSED_TEXTURE_FORMATS, 18}, {GL_IMPLEMENTATION_COLOR_READ_TYPE, 1},
      {GL_IMPLEMENTATION_COLOR_READ_FORMAT, 1}, {GL_RED_BITS, 1}, {GL_GREEN_BITS, 1},
      {GL_BLUE_BITS, 1}, {GL_ALPHA_BITS, 1}, {GL_DEPTH_BITS, 1}, {GL_STENCIL_BITS, 1},
  };
  return queries;
}

// pname -> the values glGetIntegerv writes. A query that writes more than
// its count, or fewer, shows as a changed value (the sentinels).
using GLSnapshot = std::map<GLenum, std::vector<GLint>>;

inline GLSnapshot snapshotGLState() {
  constexpr GLint kUnwritten = 0x5EED5EED;
  GLSnapshot snapshot;
  for (const GLQuery& query : allGLQueries()) {
    std::vector<GLint> values(query.count + 1, kUnwritten);
    glGetIntegerv(query.pname, values.data());
    snapshot[query.pname] = std::move(values);
  }
  return snapshot;
}

}  // namespace tessaly::test
