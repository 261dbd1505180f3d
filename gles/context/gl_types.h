// The scalar types of the OpenGL ES 2.0 API.
#pragma once

#include <cstddef>
#include <cstdint>

using GLenum = std::uint32_t;
using GLboolean = std::uint8_t;
using GLbitfield = std::uint32_t;
using GLbyte = std::int8_t;
using GLshort = std::int16_t;
using GLint = std::int32_t;
using GLsizei = std::int32_t;
using GLubyte = std::uint8_t;
using GLushort = std::uint16_t;
using GLuint = std::uint32_t;
using GLfloat = float;
using GLclampf = float;
using GLfixed = std::int32_t;
using GLchar = char;
using GLintptr = std::ptrdiff_t;
using GLsizeiptr = std::ptrdiff_t;

// The name of a GL object; 0 names a kind's default object or nothing.
using GLID = std::uint32_t;
