// What the application installs at launch so that the rest of it reaches
// the information, list, search and help screens: the classes their
// screen definitions name, and the help page screen that the themed
// screens' help buttons open.
//
// Thread rules: main thread only.
#pragma once

// Installs both (later calls do nothing more).
void installInformationScreens();
