// What the information and help screens share about their pages: the
// address of a bundled or generated page with the theme's style sheet in
// its query, and the rule for links followed in a page (store links are
// refused; a JPEG picture opens in the full-screen viewer instead).
//
// Thread rules: main thread only.
#pragma once

#include <string>

#include "platform/devices/web_view.h"

// "file://" and the path, percent-encoded where an address needs it.
std::string fileURL(const std::string& path);
// `text` percent-encoded for an address's query (letters, digits and
// "-._~!$&'()*+,;=:@/?" stay).
std::string percentEncodedForQuery(const std::string& text);

// The style sheet of the present theme: "Onyx" (dark), "NightVision" or
// "Classic" (light), "-iPad" on a tablet (or when `forceTablet`), ".css".
std::string themeStyleSheetName(bool forceTablet = false);
// The page's address with "?cssfile=" and the theme's style sheet in the
// bundle's "SkyInfo" folder, then `fragment` ("#part" or empty).
std::string styledPageURL(const std::string& pageURL, bool forceTablet = false,
                          const std::string& fragment = {});

// The decision on a link of a bundled page: any address that is not a
// file is allowed but for the store's ("itms-apps", "itms"); a file is
// allowed unless it is a "jpg", which is shown in the picture viewer (the
// tablet's larger picture where there is one) or, when it cannot be read,
// named unavailable in an alert.
dev::NavigationPolicy pageLinkPolicy(const std::string& url);
