// The chart screen's and the application delegate's ways into the
// information, list, search and help screens: the screens its Search, Info
// and Help buttons present, the maker's project page, the quick start, the
// voice command's results, the announcement's page and pictures.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/uikit/view_controller.h"

// The user default holding the maker's web site (a plain-HTTP address).
inline constexpr const char* kMakerWebSiteURLKey = "MakerWebSiteURL";

// Installs the screens' classes and the chart screen's makers of them (at
// launch, before the first screen is shown).
void connectInformationScreens();

// The in-app browser for an address, titled, in a navigation controller.
std::shared_ptr<ui::ViewController> makeBrowserScreen(const std::string& address,
                                                      const std::string& title);
