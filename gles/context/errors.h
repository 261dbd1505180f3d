// Recording GL errors on the calling thread's current context ("first
// error wins"), and the names of GL enum values in messages.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "gles/context/format.h"
#include "gles/context/gl_types.h"

// Records `code` with the text "<code name>. <call>(): <message>" on the
// current context; nothing without one, or while an error is pending.
void mglSetError(GLenum code, std::string_view format,
                 std::initializer_list<MGLFormatArg> args = {});

// "GL_INVALID_VALUE", or "UNKNOWN_GLENUM(0x%04X)" for a value not in the table.
std::string mglGLEnumName(GLenum value);
