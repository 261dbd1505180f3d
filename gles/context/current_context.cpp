#include "gles/context/current_context.h"

#include "gles/context/context.h"

namespace {

thread_local MGLRef<MGLContext> currentContext;

}  // namespace

MGLContext* mglCurrentContext() { return currentContext.get(); }

void mglSetCurrentContext(MGLContext* context) { currentContext = MGLRef<MGLContext>(context); }
