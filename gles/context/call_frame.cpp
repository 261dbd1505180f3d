#include "gles/context/call_frame.h"

#include "gles/context/context.h"
#include "gles/context/current_context.h"

MGLCallFrame::MGLCallFrame(const char* traceName, const char* glName)
    : trace_(traceName), context_(mglCurrentContext()) {
  if (context_ && glName) context_->setCurrentFunctionName(glName);
}
