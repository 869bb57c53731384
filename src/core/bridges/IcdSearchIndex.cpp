#include "bridges/IcdSearchIndex.h"

#include "db/Connection.h"
#include "db/Queries.h"

#include <QSet>
#include <QSqlQuery>

#include <algorithm>

namespace orvex::bridges {

namespace {

// Queries longer than this many words are cut: no description has more distinct words
// worth matching, and a pasted paragraph stays fast.
constexpr int kMaxQueryWords = 12;

QString foldedChar(QChar c)
{
    if (c.decompositionTag() == QChar::NoDecomposition)
        return c.toLower();
    // "é" -> "e": the base letter of a canonical decomposition.
    const QString decomposed = c.decomposition();
    return decomposed.isEmpty() ? QString(c.toLower()) : QString(decomposed.front().toLower());
}

struct Scored
{
    int rank;       // 0 exact code, 1 code prefix, 2 description words
    int wholeWords; // more is better
    int firstWord;  // position of the earliest matched word; smaller is better
    int wordCount;  // shorter descriptions first
    qsizetype index;
};

} // namespace

QStringList IcdSearchIndex::words(QStringView text)
{
    QStringList result;
    QString current;
    for (QChar c : text) {
        if (c.isLetterOrNumber()) {
            current += foldedChar(c);
        } else if (!current.isEmpty()) {
            result << current;
            current.clear();
        }
    }
    if (!current.isEmpty())
        result << current;
    return result;
}

IcdSearchIndex::IcdSearchIndex(QList<IcdCode> codes)
{
    QSet<QString> seen;
    m_entries.reserve(codes.size());
    for (IcdCode& c : codes) {
        const QString identity = c.code + QChar(0) + c.description;
        if (seen.contains(identity))
            continue;
        seen.insert(identity);
        Entry e;
        e.code = words(c.code).join(QString());
        e.words = words(c.description);
        e.shown = std::move(c);
        m_entries.push_back(std::move(e));
    }
}

IcdSearchIndex IcdSearchIndex::load(db::Connection& connection)
{
    QList<IcdCode> codes;
    QSqlQuery query = connection.exec(db::queries::icdSearchRows);
    while (query.next())
        codes.append({query.value(0).toString().trimmed(), query.value(1).toString()});
    return IcdSearchIndex(std::move(codes));
}

QList<IcdCode> IcdSearchIndex::find(QStringView text, int limit) const
{
    QStringList query = words(text);
    if (query.isEmpty() || limit <= 0)
        return {};
    if (query.size() > kMaxQueryWords)
        query.resize(kMaxQueryWords);
    const QString codeQuery = query.join(QString());

    std::vector<Scored> hits;
    for (qsizetype i = 0; i < qsizetype(m_entries.size()); ++i) {
        const Entry& e = m_entries[size_t(i)];
        if (!e.code.isEmpty() && e.code.startsWith(codeQuery)) {
            hits.push_back({e.code.size() == codeQuery.size() ? 0 : 1, 0, 0, int(e.code.size()), i});
            continue;
        }
        int wholeWords = 0;
        int firstWord = int(e.words.size());
        bool all = true;
        for (const QString& q : query) {
            int found = -1;
            for (int w = 0; w < e.words.size(); ++w) {
                if (e.words[w].startsWith(q)) {
                    if (found < 0 || e.words[w].size() == q.size())
                        found = w;
                    if (e.words[w].size() == q.size())
                        break;
                }
            }
            if (found < 0) {
                all = false;
                break;
            }
            wholeWords += e.words[found].size() == q.size() ? 1 : 0;
            firstWord = std::min(firstWord, found);
        }
        if (all)
            hits.push_back({2, wholeWords, firstWord, int(e.words.size()), i});
    }
    auto better = [this](const Scored& a, const Scored& b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        if (a.wholeWords != b.wholeWords)
            return a.wholeWords > b.wholeWords;
        if (a.firstWord != b.firstWord)
            return a.firstWord < b.firstWord;
        if (a.wordCount != b.wordCount)
            return a.wordCount < b.wordCount;
        return m_entries[size_t(a.index)].code < m_entries[size_t(b.index)].code;
    };
    const size_t shown = std::min(hits.size(), size_t(limit));
    std::partial_sort(hits.begin(), hits.begin() + qsizetype(shown), hits.end(), better);
    QList<IcdCode> result;
    result.reserve(qsizetype(shown));
    for (size_t i = 0; i < shown; ++i)
        result.append(m_entries[size_t(hits[i].index)].shown);
    return result;
}

} // namespace orvex::bridges
