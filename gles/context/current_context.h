// Each thread's current context, and its current EAGL context object (the
// object the application made current, which owns the context). Only the
// EAGL context's setCurrentContext writes the slots; every GL entry point
// reads the context slot.
//
// Thread rules: each slot belongs to its thread. When a thread ends, the
// context slot is emptied first, then the EAGL slot, so that what the
// contexts' destruction runs never finds a half-destroyed current context.
#pragma once

class MGLContext;
class MGLObject;

MGLContext* mglCurrentContext();
// Holds a strong reference until replaced (or until the thread ends).
void mglSetCurrentContext(MGLContext* context);

// The EAGL context object current on this thread (held strongly), or null.
MGLObject* mglCurrentEAGLContextObject();
void mglSetCurrentEAGLContextObject(MGLObject* object);
