// Each thread's current context. Only the EAGL context's
// setCurrentContext writes the slot; every GL entry point reads it.
#pragma once

class MGLContext;

MGLContext* mglCurrentContext();
// Holds a strong reference until replaced (or until the thread ends).
void mglSetCurrentContext(MGLContext* context);
