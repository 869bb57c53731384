#include "annex/AnnexPdf.h"

#include "Error.h"
#include "annex/AnnexInk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <poppler-qt6.h>

namespace orvex::annex {

namespace {
bool startsLikePdf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Readers accept the header anywhere in the first kilobyte.
    return file.read(1024).contains("%PDF-");
}

// Poppler asks between the drawing operators of a page whether to go on: about once per
// operator that shows text (a page of Annex A or B of 2024 is asked under 1,200 times). Far
// more asks end the reading as a page with too much text, before words piled on one spot
// cost Poppler minutes.
constexpr int kMostAsksOnAPage = 10'000;

struct PopplerAsks
{
    const StopCheck* stop;
    int asked = 0;
    bool tooMuchText = false;

    QVariant closure() { return QVariant::fromValue(static_cast<void*>(this)); }
    static bool shouldAbort(const QVariant& closure)
    {
        auto* asks = static_cast<PopplerAsks*>(closure.value<void*>());
        if (++asks->asked > kMostAsksOnAPage)
            asks->tooMuchText = true;
        return asks->tooMuchText || (*asks->stop)();
    }
};

// A word counts as seen when every one of its characters shows ink: a word partly hidden
// does not say what a reader reads.
bool seenWhole(const QImage& drawn, const Poppler::TextBox& box)
{
    const qsizetype characters = box.text().size();
    if (characters == 0)
        return showsInk(drawn, box.boundingBox());
    for (qsizetype i = 0; i < characters; ++i) {
        const QRectF character = box.charBoundingBox(int(i)); // null past the glyphs Poppler kept
        if (!character.isNull() && !showsInk(drawn, character))
            return false;
    }
    return true;
}
// Poppler prints its own errors ("Error: Incorrect password") on standard error; the import
// says what went wrong in its own message, so Poppler's are dropped.
void ignorePopplerError(const QString&, const QVariant&) {}
} // namespace

QString quotedPath(const QString& path)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

AnnexPdf::AnnexPdf(const QString& path) : m_path(path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw Error(Error::Kind::File, QStringLiteral("%1: no such file").arg(quotedPath(path)));
    if (!info.isFile())
        throw Error(Error::Kind::File, QStringLiteral("%1: not a file").arg(quotedPath(path)));
    if (info.size() == 0)
        throw Error(QStringLiteral("%1: the file is empty").arg(quotedPath(path)));
    if (!startsLikePdf(path))
        throw Error(QStringLiteral("%1: not a PDF file (no PDF header)").arg(quotedPath(path)));

    Poppler::setDebugErrorFunction(ignorePopplerError, QVariant());
    m_document = Poppler::Document::load(path);
    if (!m_document)
        throw Error(QStringLiteral("%1: the PDF is damaged and cannot be read").arg(quotedPath(path)));
    if (m_document->isLocked())
        throw Error(QStringLiteral("%1: the PDF is encrypted with a password; save an unprotected copy and "
                                   "import that")
                        .arg(quotedPath(path)));
    if (m_document->numPages() <= 0)
        throw Error(QStringLiteral("%1: the PDF has no pages (damaged?)").arg(quotedPath(path)));
}

AnnexPdf::~AnnexPdf() = default;

int AnnexPdf::pageCount() const
{
    return m_document->numPages();
}

std::optional<PageText> AnnexPdf::text(int index, const StopCheck& stop) const
{
    const std::unique_ptr<Poppler::Page> page(m_document->page(index));
    if (!page)
        throw Error(QStringLiteral("%1: page %2 cannot be read (damaged PDF)")
                        .arg(quotedPath(m_path))
                        .arg(index + 1));
    const auto tooMuchText = [&] {
        return Error(
            QStringLiteral("%1: page %2 holds more text than a page of an annex (over %3 words); "
                           "not a case-rate annex")
                .arg(quotedPath(m_path), QString::number(index + 1), QString::number(kMostWordsOnAPage)));
    };
    PopplerAsks reading{&stop};
    const auto boxes = page->textList(Poppler::Page::Rotate0, &PopplerAsks::shouldAbort, reading.closure());
    if (reading.tooMuchText || boxes.size() > std::size_t(kMostWordsOnAPage))
        throw tooMuchText();
    if (stop())
        return std::nullopt;

    // Drawn as a reader sees it, the page tells which words show.
    PopplerAsks drawing{&stop};
    const QImage drawn =
        page->renderToImage(kInkDotsPerInch, kInkDotsPerInch, -1, -1, -1, -1, Poppler::Page::Rotate0, nullptr,
                            nullptr, &PopplerAsks::shouldAbort, drawing.closure())
            .convertToFormat(QImage::Format_RGB32);
    if (drawing.tooMuchText)
        throw tooMuchText();
    if (stop())
        return std::nullopt;
    if (drawn.isNull() && !boxes.empty())
        throw Error(QStringLiteral("%1: page %2 cannot be drawn to tell the text a reader sees (damaged PDF)")
                        .arg(quotedPath(m_path), QString::number(index + 1)));
    PageText text;
    text.words.reserve(boxes.size());
    for (const auto& box : boxes) {
        PdfWord word{box->text(), box->boundingBox(), box->hasSpaceAfter()};
        (seenWhole(drawn, *box) ? text.words : text.hidden).push_back(std::move(word));
    }
    return text;
}

} // namespace orvex::annex
