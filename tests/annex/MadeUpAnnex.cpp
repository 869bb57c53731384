#include "annex/MadeUpAnnex.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>

namespace orvex::test {

namespace {
constexpr double kLine = 8.04; // line pitch of the published annexes, in points
constexpr double kCodeCenter = 84.7, kDescriptionLeft = 119.06;
constexpr double kAmountRight[3] = {401.4, 467.9, 534.4};

// Points as the unit: 72 dots per inch on A4.
struct PdfPainter
{
    QPdfWriter writer;
    QPainter painter;
    explicit PdfPainter(const QString& path) : writer(path)
    {
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(72);
        painter.begin(&writer);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(6);
        painter.setFont(font);
    }
    double width(const QString& text) const { return QFontMetricsF(painter.font()).horizontalAdvance(text); }
    // `top` is the top of the text line, as a PDF reader reports it.
    void text(double left, double top, const QString& text)
    {
        painter.drawText(QPointF(left, top + QFontMetricsF(painter.font()).ascent()), text);
    }
    void centred(double center, double top, const QString& t) { text(center - width(t) / 2, top, t); }
    void rightAligned(double right, double top, const QString& t) { text(right - width(t), top, t); }
};
} // namespace

void MadeUpAnnex::write(const QString& path) const
{
    PdfPainter pdf(path);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        if (p > 0)
            pdf.writer.newPage();
        pdf.text(330, 24, title);
        pdf.centred(kCodeCenter, 58, codeHeading);
        pdf.centred(228, 58, QStringLiteral("Description"));
        pdf.centred(439, 50, QStringLiteral("First Case Rate"));
        pdf.centred(372, 63, QStringLiteral("Case Rate"));
        pdf.centred(439, 63, QStringLiteral("Health Facility Fee"));
        pdf.centred(505, 63, QStringLiteral("Professional Fee"));
        double top = 75;
        for (const MadeUpRow& row : pages[p]) {
            const int lines = std::max<int>(1, int(row.descriptionLines.size()));
            const double rowTop = top + (lines - 1) * kLine / 2;
            pdf.centred(kCodeCenter, rowTop, row.code);
            for (int i = 0; i < row.descriptionLines.size(); ++i)
                pdf.text(kDescriptionLeft, top + i * kLine, row.descriptionLines.at(i));
            for (int c = 0; c < row.amounts.size() && c < 3; ++c)
                pdf.rightAligned(kAmountRight[c], rowTop, row.amounts.at(c));
            top += lines * kLine + 4;
        }
        pdf.text(440, 808, QStringLiteral("Page %1 of %2 of Annex A").arg(p + 1).arg(pages.size()));
    }
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
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R /Encrypt 4 0 R /ID [<0123456789abcdef0123456789abcdef> "
           "<0123456789abcdef0123456789abcdef>] >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

} // namespace orvex::test
