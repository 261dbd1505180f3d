// The classes the information, list, search and help screens' definitions
// name that the interface loader does not know by itself.
#pragma once

// Registers them (once; later calls do nothing).
void registerInfoScreenClasses();
