// Build_FILE.db and central.db from WHO ICD-10 (2010), the PhilHealth Konsulta ICD
// library and the 2024 medical case-rate list. The rules are those of data/README.md.
#include "sampledb/SampleTables.h"
#include "text/DescriptionMatch.h"

#include <QHash>
#include <QSet>

namespace orvex::sampledb {

namespace {

// Duplicate rows: the first this many library codes (in library order) that occur on more
// than one library row and are WHO codes.
constexpr int kDuplicatedLibraryCodes = 6;
// Central update table: besides every listed code WHO lacks, the first this many listed
// WHO codes whose wording the list changes, and the first this many that it changes
// only in letter case.
constexpr int kCentralWordingChanges = 20;
constexpr int kCentralCaseChanges = 5;
// Wording the hospital had already taken over from PhilHealth: the WHO codes on the lines
// of the 2024 medical list whose number n has n % 50 == 25 carry the list's description.
constexpr int kAdoptedWordingEvery = 50;
constexpr int kAdoptedWordingAt = 25;

const QString kCentralSource = QStringLiteral("PhilHealth Circular 2024-0037 Annex A");

QHash<QString, QString> blockCodesByFirstCode(const Sources& s)
{
    QHash<QString, QString> map;
    for (const WhoBlock& b : s.blocks)
        map.insert(b.firstCode, b.code());
    return map;
}

QVariantList icdRow(const WhoCode& c, const QString& description, const QString& subChapter)
{
    return {c.code,     description, c.isAsterisk() ? 0 : 1, c.codeWithoutDot, c.chapter,
            subChapter, c.level,     c.terminal ? 1 : 0};
}

// Library rows that give a WHO code a second (third, ...) row with another wording.
QList<QVariantList> duplicateRows(const Sources& s, const QHash<QString, qsizetype>& whoIndex,
                                  const QHash<QString, QString>& blocks)
{
    QHash<QString, int> occurrences;
    for (const LibraryRow& r : s.library)
        ++occurrences[r.code];

    QStringList chosen;
    for (const LibraryRow& r : s.library) {
        if (chosen.size() == kDuplicatedLibraryCodes)
            break;
        if (occurrences.value(r.code) > 1 && whoIndex.contains(r.code) && !chosen.contains(r.code))
            chosen.append(r.code);
    }

    QList<QVariantList> rows;
    for (const QString& code : chosen) {
        const WhoCode& who = s.codes[whoIndex.value(code)];
        QSet<QString> seen{who.title};
        for (const LibraryRow& r : s.library) {
            if (r.code != code || seen.contains(r.description))
                continue;
            seen.insert(r.description);
            rows.append(icdRow(who, r.description, blocks.value(who.block)));
        }
    }
    return rows;
}

QHash<QString, QString> adoptedWording(const Sources& s)
{
    QHash<QString, QString> wording;
    for (const RateLine& line : s.medical) {
        if (line.lineNumber % kAdoptedWordingEvery == kAdoptedWordingAt)
            wording.insert(line.code, line.description);
    }
    return wording;
}

QHash<QString, qsizetype> whoIndexByCode(const Sources& s)
{
    QHash<QString, qsizetype> index;
    for (qsizetype i = 0; i < s.codes.size(); ++i)
        index.insert(s.codes[i].code, i);
    return index;
}

} // namespace

QList<TableRows> buildFileTables(const Sources& s)
{
    const QHash<QString, QString> blocks = blockCodesByFirstCode(s);
    const QHash<QString, qsizetype> whoIndex = whoIndexByCode(s);

    TableRows main{QStringLiteral("tbICDdiagMain"),
                   {QStringLiteral("CODE"), QStringLiteral("Description"), QStringLiteral("ALLOWASPRIMARY"),
                    QStringLiteral("CODEWITHOUTDOT"), QStringLiteral("CHAPTERCODE"),
                    QStringLiteral("SUBCHAPTERCODE"), QStringLiteral("CODELEVEL"), QStringLiteral("ISVALID")},
                   {}};
    TableRows categories{QStringLiteral("tbIcdDiag3Code"),
                         {QStringLiteral("code"), QStringLiteral("Description"),
                          QStringLiteral("CHAPTERCODE"), QStringLiteral("SUBCHAPTERCODE")},
                         {}};
    const QHash<QString, QString> adopted = adoptedWording(s);
    main.rows.reserve(s.codes.size() + 32);
    for (const WhoCode& c : s.codes) {
        const QString subChapter = blocks.value(c.block);
        main.rows.append(icdRow(c, adopted.value(c.code, c.title), subChapter));
        if (c.level == 3)
            categories.rows.append({c.code, c.title, c.chapter, subChapter});
    }
    // After the WHO rows, so that a lookup by code meets the WHO wording first.
    main.rows.append(duplicateRows(s, whoIndex, blocks));

    TableRows chapters{
        QStringLiteral("tbIcdDiagChapter"), {QStringLiteral("code"), QStringLiteral("Description")}, {}};
    for (const WhoChapter& c : s.chapters)
        chapters.rows.append({c.code, c.title});

    TableRows subChapters{QStringLiteral("tbIcdDiagSubChapter"),
                          {QStringLiteral("code"), QStringLiteral("Description"), QStringLiteral("FIRSTCODE"),
                           QStringLiteral("LASTCODE"), QStringLiteral("CHAPTERCODE")},
                          {}};
    for (const WhoBlock& b : s.blocks)
        subChapters.rows.append({b.code(), b.title, b.firstCode, b.lastCode, b.chapter});

    return {main, chapters, subChapters, categories};
}

QList<TableRows> centralTables(const Sources& s)
{
    const QHash<QString, qsizetype> whoIndex = whoIndexByCode(s);
    TableRows update{QStringLiteral("tbICDdiagMainUpdate"),
                     {QStringLiteral("CODE"), QStringLiteral("Description"), QStringLiteral("SOURCE"),
                      QStringLiteral("CHANGETYPE"), QStringLiteral("LISTLINE"),
                      QStringLiteral("ALLOWASPRIMARY")},
                     {}};
    int wordingChanges = 0;
    int caseChanges = 0;
    for (const RateLine& line : s.medical) {
        if (!whoIndex.contains(line.code)) {
            // An asterisk (manifestation) code on its own may not be the primary code; a
            // dagger-asterisk pair ("A01.0+ J17.0*") is coded by its dagger part.
            const bool asteriskOnly =
                line.code.endsWith(QLatin1Char('*')) && !line.code.contains(QLatin1Char('+'));
            update.rows.append({line.code, line.description, kCentralSource, QStringLiteral("NEW"),
                                line.lineNumber, asteriskOnly ? 0 : 1});
            continue;
        }
        const WhoCode& who = s.codes[whoIndex.value(line.code)];
        const text::DescriptionMatch wording = text::compareDescriptions(line.description, who.title);
        const bool take =
            (wording == text::DescriptionMatch::Changed && wordingChanges++ < kCentralWordingChanges) ||
            (wording == text::DescriptionMatch::CaseOnly && caseChanges++ < kCentralCaseChanges);
        if (take)
            update.rows.append({line.code, line.description, kCentralSource, QStringLiteral("DESCRIPTION"),
                                line.lineNumber, who.isAsterisk() ? 0 : 1});
    }
    return {update};
}

} // namespace orvex::sampledb
