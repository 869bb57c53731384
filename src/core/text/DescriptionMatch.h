#pragma once

#include <QString>

namespace orvex::text {

// How a listed description compares with the stored one. The update run counts Same and
// CaseOnly as the same description, BlanksOrApostrophes as neither same nor changed, and
// Changed as a description to update; the sample databases pick rows of each class.
enum class DescriptionMatch { Same, CaseOnly, BlanksOrApostrophes, Changed };

// Same: equal. CaseOnly: equal once upper-cased. BlanksOrApostrophes: equal once upper-cased
// with the blanks of both taken out, and of the stored one also the apostrophes (doubled or
// single), its line breaks read as one blank each. The list's apostrophes stay: a list that
// gained one ("CROHN'S" for "CROHNS") changed its wording.
DescriptionMatch compareDescriptions(const QString& listed, const QString& stored);

} // namespace orvex::text
