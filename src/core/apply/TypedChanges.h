#pragma once

// From a run record to the changes an apply makes: the one place where a recorded change's
// texts become typed values, each checked.
#include "change/Change.h"
#include "review/ChangeClass.h"
#include "review/RunRecord.h"

#include <QString>

#include <optional>

namespace orvex::apply {

// The changes of `record` an apply makes, in the order it makes them: a PH scan's new
// packages first, so that the new case rates of their groups find them; the rest as
// recorded. Notes and changes the run's options leave out are not among them. Throws
// orvex::Error (after the refusal's start) naming every value no run writes: an amount that
// is not one, a table the tool does not write, a row listed twice.
change::Changes appliedChanges(const review::RunRecord& record);
// The class of a recorded change an apply makes; nothing for a note or a change the run's
// options leave out.
std::optional<review::ChangeClass> appliedClass(const review::RunRecord& record, const jobs::Finding& f);

// "ICDCode "A01.0" (line 2 of ...)": the row a change writes and where the list names it.
QString where(const change::Change& c);
// The table a change writes and the key of its row there.
change::TableRef targetTable(const change::Change& c);
QString targetKey(const change::Change& c);

} // namespace orvex::apply
