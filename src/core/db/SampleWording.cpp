#include "db/SampleTables.h"

namespace orvex::db::sample {

namespace {
QString withoutBlanksAndApostrophes(QString s)
{
    s.remove(QLatin1Char(' '));
    s.remove(QStringLiteral("''"));
    s.remove(QLatin1Char('\''));
    return s.toUpper();
}
} // namespace

Wording compareWording(const QString& stored, const QString& listed)
{
    if (stored == listed)
        return Wording::Same;
    if (stored.toUpper() == listed.toUpper())
        return Wording::CaseOnly;
    if (withoutBlanksAndApostrophes(stored) == withoutBlanksAndApostrophes(listed))
        return Wording::BlanksOrApostrophes;
    return Wording::Changed;
}

} // namespace orvex::db::sample
