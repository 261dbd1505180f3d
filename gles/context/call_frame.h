// The frame every GL entry point runs in: the opening trace line, the
// thread's current context, naming the call for error texts, and the
// closing trace line on every way out.
#pragma once

#include "gles/context/trace.h"

class MGLContext;

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
