#include "annex/AnnexPage.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace orvex::annex {

namespace {
// Distances are fractions of the text height, so that the rules do not depend on the
// font size the annex was printed with.
constexpr double kSameLine = 0.15;    // tops closer than this are one printed line
constexpr double kColumnGap = 0.8;    // a wider gap on a line separates two cells
constexpr double kWordGap = 0.13;     // a gap wider than this between two words is a blank
constexpr double kRowTolerance = 0.3; // a code and its amounts share one line, within this
constexpr double kCentering = 0.2;    // cell text is centred on its row, within this

// A run of words on one printed line that belongs to one cell.
struct Fragment
{
    QString text;
    double left = 0, right = 0, top = 0, bottom = 0;
    double height() const { return bottom - top; }
    double centerX() const { return (left + right) / 2; }
    double centerY() const { return (top + bottom) / 2; }
};

std::vector<Fragment> fragmentsOf(const PageWords& words)
{
    std::vector<const PdfWord*> sorted;
    for (const PdfWord& word : words) {
        if (!word.text.trimmed().isEmpty() && word.box.height() > 0)
            sorted.push_back(&word);
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const PdfWord* a, const PdfWord* b) { return a->box.top() < b->box.top(); });

    std::vector<Fragment> fragments;
    auto flushLine = [&fragments](std::vector<const PdfWord*>& line) {
        std::stable_sort(line.begin(), line.end(),
                         [](const PdfWord* a, const PdfWord* b) { return a->box.left() < b->box.left(); });
        const PdfWord* previous = nullptr;
        for (const PdfWord* word : line) {
            const QRectF& box = word->box;
            const double gap = previous ? box.left() - previous->box.right() : 0;
            if (!previous || gap > kColumnGap * box.height()) {
                fragments.push_back({word->text.trimmed(), box.left(), box.right(), box.top(), box.bottom()});
            } else {
                Fragment& f = fragments.back();
                if (previous->spaceAfter || gap > kWordGap * box.height())
                    f.text += QLatin1Char(' ');
                f.text += word->text.trimmed();
                f.right = std::max(f.right, box.right());
                f.top = std::min(f.top, box.top());
                f.bottom = std::max(f.bottom, box.bottom());
            }
            previous = word;
        }
        line.clear();
    };

    std::vector<const PdfWord*> line;
    for (const PdfWord* word : sorted) {
        if (!line.empty() &&
            word->box.top() - line.front()->box.top() > kSameLine * line.front()->box.height())
            flushLine(line);
        line.push_back(word);
    }
    if (!line.empty())
        flushLine(line);
    return fragments;
}

enum Heading { CodeHeading, DescriptionHeading, CaseRateHeading, FacilityFeeHeading, ProfessionalFeeHeading };
constexpr int kHeadings = 5;

std::optional<Heading> headingOf(const QString& text)
{
    static const QRegularExpression code(QStringLiteral("^([A-Z0-9-]+ )?CODE$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QString t = text.simplified().toUpper();
    if (code.match(t).hasMatch())
        return CodeHeading;
    if (t == QLatin1String("DESCRIPTION"))
        return DescriptionHeading;
    if (t == QLatin1String("CASE RATE"))
        return CaseRateHeading;
    if (t == QLatin1String("HEALTH FACILITY FEE"))
        return FacilityFeeHeading;
    if (t == QLatin1String("PROFESSIONAL FEE"))
        return ProfessionalFeeHeading;
    return std::nullopt;
}

std::optional<AnnexKind> kindOfCodeHeading(const QString& heading)
{
    const QString t = heading.simplified().toUpper();
    if (t.startsWith(QLatin1String("ICD")))
        return AnnexKind::Medical;
    if (t.startsWith(QLatin1String("RVS")))
        return AnnexKind::Procedure;
    return std::nullopt;
}

bool isFooter(const QString& text)
{
    static const QRegularExpression footer(QStringLiteral("^Page \\d+ of \\d+"),
                                           QRegularExpression::CaseInsensitiveOption);
    return footer.match(text).hasMatch();
}

QString joinedDescription(const std::vector<const Fragment*>& lines)
{
    QString text;
    for (const Fragment* line : lines) {
        if (!text.isEmpty() && !text.endsWith(QLatin1Char('-')))
            text += QLatin1Char(' ');
        text += line->text;
    }
    return text;
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// One line of the code column with what was found beside it.
struct Anchor
{
    const Fragment* code = nullptr;
    std::array<const Fragment*, 3> amounts{};
    std::vector<const Fragment*> description;
};
} // namespace

PageTable readPageTable(const PageWords& words, int pageNumber)
{
    PageTable table;
    const std::vector<Fragment> fragments = fragmentsOf(words);
    const QString where = QStringLiteral("page %1").arg(pageNumber);

    std::array<const Fragment*, kHeadings> headings{};
    for (const Fragment& f : fragments) {
        if (const auto h = headingOf(f.text); h && !headings[*h])
            headings[*h] = &f;
    }
    if (std::any_of(headings.begin(), headings.end(), [](const Fragment* h) { return !h; }))
        return table;
    table.hasTable = true;
    table.codeHeading = headings[CodeHeading]->text;
    table.kind = kindOfCodeHeading(table.codeHeading);

    double headTop = headings[0]->top, headBottom = headings[0]->bottom;
    for (const Fragment* h : headings) {
        headTop = std::min(headTop, h->top);
        headBottom = std::max(headBottom, h->bottom);
    }
    for (const Fragment& f : fragments) {
        if (f.top >= headTop && f.bottom <= headBottom && headingOf(f.text) == CaseRateHeading)
            ++table.caseRateColumns;
    }
    double footerTop = std::numeric_limits<double>::max();
    for (const Fragment& f : fragments) {
        if (f.bottom <= headTop)
            table.titleLines << f.text;
        else if (f.top > headBottom && isFooter(f.text))
            footerTop = std::min(footerTop, f.top - kSameLine * f.height());
    }

    // Codes are centred under their heading, descriptions start at the left of their cell,
    // amounts stand right of the point where the case-rate heading begins.
    const Fragment& codeHeading = *headings[CodeHeading];
    const double amountsLeft = headings[CaseRateHeading]->left;
    std::vector<Anchor> anchors;
    std::vector<const Fragment*> descriptions;
    std::vector<std::pair<const Fragment*, int>> amounts;
    for (const Fragment& f : fragments) {
        if (f.centerY() <= headBottom || f.top >= footerTop)
            continue;
        if (f.left >= amountsLeft) {
            int column = 0;
            for (int c = 1; c < 3; ++c) {
                if (std::abs(headings[CaseRateHeading + c]->centerX() - f.centerX()) <
                    std::abs(headings[CaseRateHeading + column]->centerX() - f.centerX()))
                    column = c;
            }
            amounts.emplace_back(&f, column);
        } else if (f.centerX() >= codeHeading.left && f.centerX() <= codeHeading.right) {
            anchors.push_back({&f, {}, {}});
        } else {
            descriptions.push_back(&f);
        }
    }
    const auto byTop = [](const auto* a, const auto* b) { return a->top < b->top; };
    std::stable_sort(anchors.begin(), anchors.end(),
                     [](const Anchor& a, const Anchor& b) { return a.code->top < b.code->top; });
    std::stable_sort(descriptions.begin(), descriptions.end(), byTop);

    for (const auto& [fragment, column] : amounts) {
        Anchor* best = nullptr;
        for (Anchor& a : anchors) {
            if (std::abs(a.code->top - fragment->top) <= kRowTolerance * fragment->height() &&
                (!best || std::abs(a.code->top - fragment->top) < std::abs(best->code->top - fragment->top)))
                best = &a;
        }
        if (!best)
            table.problems << QStringLiteral("%1: the amount %2 stands beside no code")
                                  .arg(where, quoted(fragment->text));
        else if (best->amounts[column])
            table.problems << QStringLiteral("%1: code %2 has two amounts in one column")
                                  .arg(where, quoted(best->code->text));
        else
            best->amounts[column] = fragment;
    }

    // A cell's lines are centred on its row: the row of a code takes the next description
    // lines up to the one that puts the code's line in their middle.
    std::size_t next = 0;
    for (Anchor& a : anchors) {
        const double y = a.code->top;
        const double tolerance = kCentering * a.code->height();
        if (next >= descriptions.size() || descriptions[next]->top > y + tolerance)
            continue; // an empty description
        const double first = descriptions[next]->top;
        while (next < descriptions.size() && descriptions[next]->top <= 2 * y - first + tolerance)
            a.description.push_back(descriptions[next++]);
        const double middle = (first + a.description.back()->top) / 2;
        if (std::abs(middle - y) > tolerance)
            table.problems << QStringLiteral("%1: the description beside code %2 does not line up with it")
                                  .arg(where, quoted(a.code->text));
    }
    for (; next < descriptions.size(); ++next)
        table.problems << QStringLiteral("%1: the text %2 belongs to no row")
                              .arg(where, quoted(descriptions[next]->text));

    // Only the lines after the page's last row can be a footnote.
    double lastRowTop = -1;
    for (const Anchor& a : anchors) {
        if (a.amounts[0] || a.amounts[1] || a.amounts[2])
            lastRowTop = a.code->top;
    }
    for (const Anchor& a : anchors) {
        AnnexRow row{a.code->text, joinedDescription(a.description), {}, {}, {}, pageNumber};
        QString* fields[3] = {&row.caseRate, &row.facilityFee, &row.professionalFee};
        int found = 0;
        for (int c = 0; c < 3; ++c) {
            if (a.amounts[c]) {
                *fields[c] = a.amounts[c]->text;
                ++found;
            }
        }
        if (found == 3)
            table.rows.push_back(std::move(row));
        else if (found == 0 && a.code->top > lastRowTop)
            table.notes.push_back(std::move(row));
        else if (found == 0)
            table.problems << QStringLiteral("%1: \"%2\" has no amounts").arg(where, row.code);
        else
            table.problems << QStringLiteral("%1: code %2 lacks %3 of its three amounts")
                                  .arg(where, quoted(row.code))
                                  .arg(3 - found);
    }
    return table;
}

} // namespace orvex::annex
