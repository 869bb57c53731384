#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace orvex::test {

// A small annex drawn the way the published ones are laid out: headings, codes centred
// under "ICD Code", descriptions left-aligned and centred on their row, amounts right-aligned,
// a footer "Page N of M". Written with Qt's PDF writer.
struct MadeUpRow
{
    QString code;
    QStringList descriptionLines;
    QStringList amounts; // three, or none for a footnote line
};

struct MadeUpAnnex
{
    QString title = QStringLiteral("Annex A - List of Medical Case Rates 2031");
    QString codeHeading = QStringLiteral("ICD Code");
    std::vector<std::vector<MadeUpRow>> pages;

    void write(const QString& path) const;
};

// A one-page PDF with only the given text lines on it (no table).
void writePlainPdf(const QString& path, const QStringList& lines);
// A PDF whose pages are pictures only: no text layer. `side` sets the picture's size in
// pixels; its noise does not compress, so a big side gives a big file.
void writePictureOnlyPdf(const QString& path, int side);
// A PDF that needs a password to open.
QByteArray encryptedPdfBytes();

} // namespace orvex::test
