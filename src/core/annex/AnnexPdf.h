#pragma once

#include "annex/AnnexTypes.h"

#include <QString>

#include <memory>

namespace Poppler {
class Document;
}

namespace orvex::annex {

// A file's path as messages name it: quoted, with the platform's separators.
QString quotedPath(const QString& path);

// A PDF opened for its text layer. Opening throws orvex::Error naming the file when it is
// missing, empty, not a PDF, damaged, encrypted or without pages.
class AnnexPdf
{
public:
    explicit AnnexPdf(const QString& path);
    ~AnnexPdf();
    AnnexPdf(const AnnexPdf&) = delete;
    AnnexPdf& operator=(const AnnexPdf&) = delete;

    const QString& path() const { return m_path; }
    int pageCount() const;
    // The words of page `index` (0-based) with their boxes, in points.
    PageWords words(int index) const;

private:
    QString m_path;
    std::unique_ptr<Poppler::Document> m_document;
};

} // namespace orvex::annex
