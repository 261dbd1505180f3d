// The frame every GL entry point runs in: the opening trace line, the
// thread's current context, naming the call for error texts, and the
// closing trace line on every way out.
#pragma once

#include <new>

#include "gles/context/gl_types.h"
#include "gles/context/trace.h"

class MGLContext;

// The calling thread's current context, named for error texts as `glName`.
MGLContext* mglNameCurrentContext(const char* glName);

// Records what an exception that reached an entry point means: a refused
// allocation GL_OUT_OF_MEMORY, anything else (a refusal by the GPU, which
// is a fault of this layer) GL_INVALID_OPERATION "An unexpected error
// occurred.". Never throws.
void mglRecordEntryPointFailure(GLenum code) noexcept;

// Runs an entry point's work so that no exception crosses the GL API.
template <typename Work>
void mglGuardEntryPoint(Work&& work) noexcept {
  try {
    work();
  } catch (const std::bad_alloc&) {
    mglRecordEntryPointFailure(0x0505);  // GL_OUT_OF_MEMORY
  } catch (...) {
    mglRecordEntryPointFailure(0x0502);  // GL_INVALID_OPERATION
  }
}

class MGLCallFrame {
 public:
  // `glName` null: the call does not name itself (glGetError).
  MGLCallFrame(const char* traceName, const char* glName);
  // Null when the thread has no current context; the call then does nothing.
  MGLContext* context() const { return context_; }

 private:
  MGLTraceSpan trace_;
  MGLContext* context_;
};

// MGL_CALL_FRAME("glClear") opens the frame of glClear (trace name mglClear).
#define MGL_CALL_FRAME(glName) MGLCallFrame mglCallFrame_("m" glName, glName)
