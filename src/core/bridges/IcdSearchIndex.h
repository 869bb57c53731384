#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <vector>

namespace orvex::db {
class Connection;
}

namespace orvex::bridges {

struct IcdCode
{
    QString code;
    QString description;
    bool operator==(const IcdCode&) const = default;
};

// The ICD code search: every code of tbICDdiagMain held in memory, found by a code prefix
// (dot, blanks and case ignored: "a010" finds A01.0) or by words of the description in
// any order, each word the start of a description word ("fever typhoid" finds A01.0
// "Typhoid fever"). Best matches first: the exact code, codes by prefix, then
// descriptions with more whole words, earlier words and fewer words.
class IcdSearchIndex
{
public:
    explicit IcdSearchIndex(QList<IcdCode> codes);

    // Reads CODE, Description of tbICDdiagMain (one statement). Throws orvex::Error.
    static IcdSearchIndex load(db::Connection& connection);

    // At most `limit` matches; none for a text without letters or digits.
    QList<IcdCode> find(QStringView text, int limit) const;
    qsizetype size() const { return qsizetype(m_entries.size()); }

    // A text folded for matching: letters and digits only, lower case, accents removed;
    // other characters split words.
    static QStringList words(QStringView text);

private:
    struct Entry
    {
        IcdCode shown;
        QString code;      // folded, without dot or blanks
        QStringList words; // folded description words
    };
    std::vector<Entry> m_entries;
};

} // namespace orvex::bridges
