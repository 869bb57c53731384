#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace orvex::test {

// A small annex drawn the way the published ones are laid out: headings, codes centred
// under "ICD Code", descriptions left-aligned and centred on their row, amounts right-aligned,
// a footer "Page N of M". Written with Qt's PDF writer, or drawn by hand in PDF operators.
enum class Ink {
    Seen,     // black
    White,    // white on the white page
    Invisible // render mode 3: in the text layer, never drawn
};

struct MadeUpRow
{
    QString code;
    QStringList descriptionLines;
    QStringList amounts; // three, or none for a footnote line
    Ink ink = Ink::Seen;
};

struct MadeUpAnnex
{
    QString title = QStringLiteral("Annex A - List of Medical Case Rates 2031");
    QString codeHeading = QStringLiteral("ICD Code");
    std::vector<std::vector<MadeUpRow>> pages;
    // 2: the headings of a second rate ("Second Case Rate" above "Case Rate", "Health Facility
    // Fee", "Professional Fee") stand right of the first, on a landscape page (Qt's writer only).
    int caseRatesPerCode = 1;

    // With Qt's PDF writer (invisible rows are left out: Qt draws nothing invisibly).
    void write(const QString& path) const;
    // The operators that draw page `index` in Courier, font /F1 of handWrittenPdf().
    QByteArray pageContent(std::size_t index) const;
};

// A PDF of one page per content stream (PDF operators, compressed), with Courier as font /F1.
QByteArray handWrittenPdf(const QList<QByteArray>& pageContents);

// A one-page PDF with only the given text lines on it (no table).
void writePlainPdf(const QString& path, const QStringList& lines);
// A PDF whose pages are pictures only: no text layer. `side` sets the picture's size in
// pixels; its noise does not compress, so a big side gives a big file.
void writePictureOnlyPdf(const QString& path, int side);
// A PDF that needs a password to open.
QByteArray encryptedPdfBytes();

} // namespace orvex::test
