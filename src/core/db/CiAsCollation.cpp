#include "db/CiAsCollation.h"

#include "Error.h"
#include "db/SqliteHandle.h"
#include "text/Blanks.h"

#include <sqlite3.h>

#include <algorithm>

namespace orvex::db {

namespace {

int sqliteCompare(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    // Lengths are in bytes of native UTF-16.
    const QStringView left(static_cast<const QChar*>(a), lengthA / 2);
    const QStringView right(static_cast<const QChar*>(b), lengthB / 2);
    return compareCiAs(left, right);
}

char foldedAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// The same order for the UTF-8 texts of a UTF-8 file, which SQLite would otherwise turn
// into UTF-16 for every comparison of an index search: up to the first difference of
// ASCII letters, digits and signs the order is that of A to Z folded as Unicode folds them;
// a text with another character before it is compared as UTF-16.
int sqliteCompareUtf8(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    const auto* left = static_cast<const char*>(a);
    const auto* right = static_cast<const char*>(b);
    while (lengthA > 0 && left[lengthA - 1] == ' ')
        --lengthA;
    while (lengthB > 0 && right[lengthB - 1] == ' ')
        --lengthB;
    const int common = std::min(lengthA, lengthB);
    for (int i = 0; i < common; ++i) {
        if (uchar(left[i]) >= 0x80 || uchar(right[i]) >= 0x80)
            return compareCiAs(QString::fromUtf8(left, lengthA), QString::fromUtf8(right, lengthB));
        const char l = foldedAscii(left[i]);
        const char r = foldedAscii(right[i]);
        if (l != r)
            return l < r ? -1 : 1;
    }
    // One is the other's start: the shorter comes first, whatever the longer holds further on.
    return lengthA == lengthB ? 0 : (lengthA < lengthB ? -1 : 1);
}
} // namespace

int compareCiAs(QStringView a, QStringView b)
{
    const int c = withoutTrailingBlanks(a).compare(withoutTrailingBlanks(b), Qt::CaseInsensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

size_t ciAsHash(QStringView text, size_t seed)
{
    // FNV-1a over the folded code points, as the case-insensitive compare folds them.
    quint64 h = 14695981039346656037ULL ^ quint64(seed);
    const QStringView kept = withoutTrailingBlanks(text);
    for (qsizetype i = 0; i < kept.size(); ++i) {
        char32_t c = kept[i].unicode();
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z')
                c += 'a' - 'A';
        } else {
            if (QChar::isHighSurrogate(c) && i + 1 < kept.size() && kept[i + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), kept[++i].unicode());
            c = QChar::toCaseFolded(c);
        }
        h = (h ^ c) * 1099511628211ULL;
    }
    return size_t(h ^ (h >> 29));
}

QString ciAsKey(QStringView text)
{
    return withoutTrailingBlanks(text).toString().toCaseFolded();
}

void registerCiAsCollation(const QSqlDatabase& database)
{
    sqlite3* raw = sqliteHandle(database);
    // SQLite takes the form of the file's encoding and turns texts into it first.
    if (sqlite3_create_collation_v2(raw, "CI_AS", SQLITE_UTF16, nullptr, sqliteCompare, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_collation_v2(raw, "CI_AS", SQLITE_UTF8, nullptr, sqliteCompareUtf8, nullptr) !=
            SQLITE_OK)
        throw Error(Error::Kind::Database, QStringLiteral("cannot register the CI_AS collation: %1")
                                               .arg(QString::fromUtf8(sqlite3_errmsg(raw))));
}

} // namespace orvex::db
