#pragma once

#include <QString>

namespace orvex::test {

// The DOM of a local page after headless Chromium ran its script, with `fragment` ("" for
// none) after '#'; `profileFolder` holds the browser's throwaway profile. A null string when
// Chromium is not installed; a failed run fails the calling test.
QString browserDom(const QString& pagePath, const QString& fragment, const QString& profileFolder);

} // namespace orvex::test
