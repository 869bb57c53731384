#include "annex/AnnexPdf.h"

#include "Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
        throw Error(QStringLiteral("%1: no such file").arg(quotedPath(path)));
    if (!info.isFile())
        throw Error(QStringLiteral("%1: not a file").arg(quotedPath(path)));
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

PageWords AnnexPdf::words(int index) const
{
    const std::unique_ptr<Poppler::Page> page(m_document->page(index));
    if (!page)
        throw Error(QStringLiteral("%1: page %2 cannot be read (damaged PDF)")
                        .arg(quotedPath(m_path))
                        .arg(index + 1));
    PageWords words;
    const auto boxes = page->textList();
    words.reserve(boxes.size());
    for (const auto& box : boxes)
        words.push_back({box->text(), box->boundingBox(), box->hasSpaceAfter()});
    return words;
}

} // namespace orvex::annex
