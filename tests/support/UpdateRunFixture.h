#pragma once

namespace orvex::test {

class SmallDatabases;

// The rows that the made-up rate lists of tests/data/update-run are compared with: every
// class of line finds its case (same, new rate, changed description, a code with a quote,
// a package gone, amounts never entered, rows of tbMedPackage_NEW).
void fillForUpdateRun(SmallDatabases& db);

} // namespace orvex::test
