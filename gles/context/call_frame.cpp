#include "gles/context/call_frame.h"

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"

MGLCallFrame::MGLCallFrame(const char* traceName, const char* glName)
    : trace_(traceName), context_(mglCurrentContext()) {
  if (context_ && glName) context_->setCurrentFunctionName(glName);
}

MGLContext* mglNameCurrentContext(const char* glName) {
  MGLContext* context = mglCurrentContext();
  if (context) context->setCurrentFunctionName(glName);
  return context;
}

void mglRecordEntryPointFailure(GLenum code) noexcept {
  try {
    mglSetError(code, code == GL_OUT_OF_MEMORY ? "Not enough memory to complete the call."
                                               : "An unexpected error occurred.");
  } catch (...) {
    // Not even the message could be made: the call has failed all the same.
  }
}
