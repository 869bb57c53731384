#pragma once

#include "annex/AnnexTypes.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace Poppler {
class Document;
}

namespace orvex::annex {

// A file's path as messages name it: quoted, with the platform's separators.
QString quotedPath(const QString& path);

// The text of one page.
struct PageText
{
    PageWords words;  // what a reader sees
    PageWords hidden; // words that show no ink where they stand: invisible, or drawn in the
                      // colour of what lies beneath them
};

// Asked while a page is read; true ends the reading at once.
using StopCheck = std::function<bool()>;

// A page of an annex holds far fewer words (the 2024 annexes under 800 a page); a page with
// more is refused before its text costs minutes and gigabytes.
constexpr int kMostWordsOnAPage = 5'000;

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
    // The words of page `index` (0-based) with their boxes, in points, parted into the
    // ones a reader sees and the hidden ones. Nothing when `stop` asked to end. Throws
    // orvex::Error naming the page when it holds more text than an annex page can.
    std::optional<PageText> text(int index, const StopCheck& stop) const;

private:
    QString m_path;
    std::unique_ptr<Poppler::Document> m_document;
};

} // namespace orvex::annex
