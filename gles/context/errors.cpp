#include "gles/context/errors.h"

#include <algorithm>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/gl_enum_table.h"

void mglSetError(GLenum code, std::string_view format,
                 std::initializer_list<MGLFormatArg> args) {
  MGLContext* context = mglCurrentContext();
  if (!context) return;
  const char* function = context->currentFunctionName();
  const std::string prefix = function ? std::string(function) + "(): " : std::string();
  const std::string text =
      mglFormat("%s. %@%@", {mglGLEnumName(code), prefix, mglFormat(format, args)});
  context->setError(code, text);
}

std::string mglGLEnumName(GLenum value) {
  const mgl::GLEnumName* end = mgl::kGLEnumNames + mgl::kGLEnumNameCount;
  const mgl::GLEnumName* found = std::lower_bound(
      mgl::kGLEnumNames, end, value,
      [](const mgl::GLEnumName& entry, GLenum v) { return entry.value < v; });
  if (found != end && found->value == value) return found->name;
  return mglFormat("UNKNOWN_GLENUM(0x%04X)", {value});
}
