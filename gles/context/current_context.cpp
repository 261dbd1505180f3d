#include "gles/context/current_context.h"

#include "gles/context/context.h"

namespace {

struct ThreadSlots {
  MGLRef<MGLContext> context;
  MGLRef<MGLObject> eaglContext;
  // A thread that ends with a context current lets both go, the context
  // slot first (its objects' destruction may look at it).
  ~ThreadSlots() {
    context = nullptr;
    eaglContext = nullptr;
  }
};

thread_local ThreadSlots slots;

}  // namespace

MGLContext* mglCurrentContext() { return slots.context.get(); }

void mglSetCurrentContext(MGLContext* context) { slots.context = MGLRef<MGLContext>(context); }

MGLObject* mglCurrentEAGLContextObject() { return slots.eaglContext.get(); }

void mglSetCurrentEAGLContextObject(MGLObject* object) {
  slots.eaglContext = MGLRef<MGLObject>(object);
}
