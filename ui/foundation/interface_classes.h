// The themed classes as screen definitions name them: each is made through
// its decoding initialiser, so it themes itself as it is read.
#pragma once

// Registers every themed class with the interface loader (once; later
// calls do nothing).
void registerThemedInterfaceClasses();
