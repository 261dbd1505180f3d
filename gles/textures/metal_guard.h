// Metal work of the texture objects run so that no exception leaves a GL
// call: the software GPU refuses misuse by throwing, and allocations of
// storage may fail.
#pragma once

#include <new>

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "platform/metal/validation.h"

// Runs `body`. A refused allocation records GL_OUT_OF_MEMORY with
// `outOfMemory` (one %i: `glID`); a refusal by the GPU, which is a fault of
// this layer, records GL_INVALID_OPERATION "An unexpected error occurred.".
// Answers whether the body finished.
template <typename Body>
bool mglGuardMetalWork(const char* outOfMemory, GLID glID, Body&& body) {
  try {
    body();
    return true;
  } catch (const std::bad_alloc&) {
    mglSetError(GL_OUT_OF_MEMORY, outOfMemory, {glID});
  } catch (const mtl::ValidationError&) {
    mglSetError(GL_INVALID_OPERATION, "An unexpected error occurred.");
  }
  return false;
}
