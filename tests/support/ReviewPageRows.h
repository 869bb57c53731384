#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace orvex::test {

// One row of a review page as its data holds it, before the page's script lays it out.
struct ReviewPageRow
{
    QString section;  // "rate-change", "overridden", ...
    QString rowClass; // "change", "change not-applied", "change overridden"
    QString code;
    QString descriptionBefore;
    QString descriptionAfter;
    QStringList amounts; // before, after and percent of each amount column
    QString table;
    QString key;
    QString listFile; // the file name the row's last cell shows
    int listLine = 0;
};

// The rows of the page in `page`; a page without its data fails the calling test.
std::vector<ReviewPageRow> reviewPageRows(const QByteArray& page);

} // namespace orvex::test
