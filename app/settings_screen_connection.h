// The chart screen's way into the settings screen: the screen its Settings
// button presents.
//
// Thread rules: main thread only.
#pragma once

// Installs the chart screen's maker of the settings screen (at launch,
// before the first screen is shown).
void connectSettingsScreen();
