#pragma once

namespace orvex::db {

// The two case-rate tables a package can be split off from: tbMed_MedicalCaseRates by
// ICDCode, tbMed_Procedures by RVSCode.
enum class CaseRateTable { Medical, Procedures };

} // namespace orvex::db
