#include "annex/MadeUpAnnex.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>

namespace orvex::test {

namespace {
constexpr double kLine = 8.04; // line pitch of the published annexes, in points
constexpr double kCodeCenter = 84.7, kDescriptionLeft = 119.06;
constexpr double kAmountRight[3] = {401.4, 467.9, 534.4};

// Draws text lines where a PDF reader reports their tops, in points from the top left.
struct Pen
{
    double professionalFeeCenter = 505;
    virtual ~Pen() = default;
    virtual double width(const QString& text) const = 0;
    virtual void text(double left, double top, const QString& text, Ink ink) = 0;
    void centred(double center, double top, const QString& t, Ink ink = Ink::Seen)
    {
        text(center - width(t) / 2, top, t, ink);
    }
    void rightAligned(double right, double top, const QString& t, Ink ink)
    {
        text(right - width(t), top, t, ink);
    }
};

// Points as the unit: 72 dots per inch on A4.
struct PdfPainter : Pen
{
    QPdfWriter writer;
    QPainter painter;
    explicit PdfPainter(const QString& path, bool landscape = false) : writer(path)
    {
        writer.setPageSize(QPageSize(QPageSize::A4));
        if (landscape)
            writer.setPageOrientation(QPageLayout::Landscape);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(72);
        painter.begin(&writer);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(6);
        painter.setFont(font);
    }
    double width(const QString& text) const override
    {
        return QFontMetricsF(painter.font()).horizontalAdvance(text);
    }
    void text(double left, double top, const QString& text, Ink ink) override
    {
        if (ink == Ink::Invisible)
            return;
        painter.setPen(ink == Ink::White ? Qt::white : Qt::black);
        painter.drawText(QPointF(left, top + QFontMetricsF(painter.font()).ascent()), text);
    }
    void text(double left, double top, const QString& t) { text(left, top, t, Ink::Seen); }
};

// Courier: every character is 0.6 of the font size wide. Its headings are wider than Qt's,
// so the last one moves right to stand clear of its neighbour.
struct ContentStreamPen : Pen
{
    static constexpr double kSize = 6, kPageHeight = 842;
    QByteArray content;
    ContentStreamPen() { professionalFeeCenter = 515; }
    double width(const QString& text) const override { return 0.6 * kSize * double(text.size()); }
    void text(double left, double top, const QString& text, Ink ink) override
    {
        QByteArray escaped;
        for (const char c : text.toLatin1()) {
            if (c == '(' || c == ')' || c == '\\')
                escaped += '\\';
            escaped += c;
        }
        const double baseline = kPageHeight - top - 0.8 * kSize;
        content += "BT /F1 6 Tf " + QByteArray(ink == Ink::White ? "1 g " : "0 g ") +
                   QByteArray(ink == Ink::Invisible ? "3 Tr " : "0 Tr ") + "1 0 0 1 " +
                   QByteArray::number(left, 'f', 2) + ' ' + QByteArray::number(baseline, 'f', 2) + " Tm (" +
                   escaped + ") Tj ET\n";
    }
};

void drawPage(const MadeUpAnnex& annex, std::size_t p, Pen& pen)
{
    pen.text(330, 24, annex.title, Ink::Seen);
    pen.centred(kCodeCenter, 58, annex.codeHeading);
    pen.centred(228, 58, QStringLiteral("Description"));
    pen.centred(439, 50, QStringLiteral("First Case Rate"));
    pen.centred(372, 63, QStringLiteral("Case Rate"));
    pen.centred(439, 63, QStringLiteral("Health Facility Fee"));
    pen.centred(pen.professionalFeeCenter, 63, QStringLiteral("Professional Fee"));
    for (int rate = 1; rate < annex.caseRatesPerCode; ++rate) {
        const double shift = 220 * rate;
        pen.centred(439 + shift, 50, QStringLiteral("Second Case Rate"));
        pen.centred(372 + shift, 63, QStringLiteral("Case Rate"));
        pen.centred(439 + shift, 63, QStringLiteral("Health Facility Fee"));
        pen.centred(pen.professionalFeeCenter + shift, 63, QStringLiteral("Professional Fee"));
    }
    double top = 75;
    for (const MadeUpRow& row : annex.pages[p]) {
        const int lines = std::max<int>(1, int(row.descriptionLines.size()));
        const double rowTop = top + (lines - 1) * kLine / 2;
        pen.centred(kCodeCenter, rowTop, row.code, row.ink);
        for (int i = 0; i < row.descriptionLines.size(); ++i)
            pen.text(kDescriptionLeft, top + i * kLine, row.descriptionLines.at(i), row.ink);
        for (int c = 0; c < row.amounts.size() && c < 3; ++c)
            pen.rightAligned(kAmountRight[c], rowTop, row.amounts.at(c), row.ink);
        top += lines * kLine + 4;
    }
    pen.text(440, 808, QStringLiteral("Page %1 of %2 of Annex A").arg(p + 1).arg(annex.pages.size()),
             Ink::Seen);
}

QByteArray pdfOfObjects(const QList<QByteArray>& objects, const QByteArray& trailerEntries)
{
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R" + trailerEntries +
           " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}
} // namespace

void MadeUpAnnex::write(const QString& path) const
{
    PdfPainter pdf(path, caseRatesPerCode > 1);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        if (p > 0)
            pdf.writer.newPage();
        drawPage(*this, p, pdf);
    }
}

QByteArray MadeUpAnnex::pageContent(std::size_t index) const
{
    ContentStreamPen pen;
    drawPage(*this, index, pen);
    return pen.content;
}

QByteArray handWrittenPdf(const QList<QByteArray>& pageContents)
{
    QByteArray kids;
    for (int i = 0; i < pageContents.size(); ++i)
        kids += QByteArray::number(4 + 2 * i) + " 0 R ";
    QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pageContents.size()) + " >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>",
    };
    for (int i = 0; i < pageContents.size(); ++i) {
        const QByteArray stream = qCompress(pageContents.at(i), 9).mid(4); // zlib data, no length prefix
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 0 R >> "
                   ">> /Contents " +
                       QByteArray::number(5 + 2 * i) + " 0 R >>"
                << "<< /Length " + QByteArray::number(stream.size()) + " /Filter /FlateDecode >>\nstream\n" +
                       stream + "\nendstream";
    }
    return pdfOfObjects(objects, {});
}

void writePlainPdf(const QString& path, const QStringList& lines)
{
    PdfPainter pdf(path);
    for (int i = 0; i < lines.size(); ++i)
        pdf.text(72, 72 + i * 12, lines.at(i));
}

void writePictureOnlyPdf(const QString& path, int side)
{
    QImage picture(side, side, QImage::Format_RGB32);
    auto* random = QRandomGenerator::global();
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<quint32*>(picture.scanLine(y));
        random->fillRange(line, side);
    }
    PdfPainter pdf(path);
    pdf.painter.drawImage(QRectF(0, 0, 595, 842), picture);
}

QByteArray encryptedPdfBytes()
{
    // The standard security handler with a user password: without it the owner and user
    // keys below do not check out, so a reader can open nothing.
    const QByteArray key32(32, '\x5a');
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>",
        "<< /Filter /Standard /V 1 /R 2 /O <" + key32.toHex() + "> /U <" + key32.toHex() + "> /P -44 >>",
    };
    return pdfOfObjects(objects, " /Encrypt 4 0 R /ID [<0123456789abcdef0123456789abcdef> "
                                 "<0123456789abcdef0123456789abcdef>]");
}

} // namespace orvex::test
