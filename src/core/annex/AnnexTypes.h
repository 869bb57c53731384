#pragma once

#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

// The case-rate annexes PhilHealth publishes with a circular: a PDF table of codes,
// descriptions and three amounts (case rate, health facility fee, professional fee).
namespace orvex::annex {

enum class AnnexKind { Medical, Procedure };

QString kindName(AnnexKind kind); // "medical", "procedure"
std::optional<AnnexKind> kindFromName(const QString& name);

// One word of a page's text layer, in points from the page's top left corner.
struct PdfWord
{
    QString text;
    QRectF box;
    bool spaceAfter = false;
};
using PageWords = std::vector<PdfWord>;

// One row of the table, every field as printed.
struct AnnexRow
{
    QString code;
    QString description;
    QString caseRate;
    QString facilityFee;
    QString professionalFee;
    int page = 0; // 1-based
};

} // namespace orvex::annex
