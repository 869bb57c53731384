#pragma once

#include "jobs/Finding.h"

#include <QString>

#include <array>
#include <optional>

namespace orvex::review {

// How the review page and the change list group a run's changes. The order is the page's.
enum class ChangeClass {
    NewCode,              // a code the case-rate table lacks: a package and a case rate to insert
    RateChange,           // a package whose amounts differ from the list
    DescriptionChange,    // a code whose stored description differs from the list
    NewStyleRow,          // a code the new-style rate table lacks
    NewStyleRates,        // the new-style rate table's amounts, written whatever they held
    ZeroAmount,           // a note: the list gives 0 for an amount; nothing is changed
    NewIcdCode,           // a code the ICD-10 table lacks
    IcdDescriptionChange, // an ICD-10 code whose stored description differs from the list
    NewPackage,           // a group the package table lacks
    NewCaseRate,          // a code the case-rate table lacks, its package inserted or found apart
};
inline constexpr int kChangeClassCount = int(ChangeClass::NewCaseRate) + 1;

// The classes each run's page shows, in order. The update run's:
inline constexpr std::array kChangeClasses = {ChangeClass::NewCode,           ChangeClass::RateChange,
                                              ChangeClass::DescriptionChange, ChangeClass::NewStyleRow,
                                              ChangeClass::NewStyleRates,     ChangeClass::ZeroAmount};
inline constexpr std::array kIcdScanClasses = {ChangeClass::NewIcdCode, ChangeClass::IcdDescriptionChange};
inline constexpr std::array kPhScanClasses = {ChangeClass::NewIcdCode, ChangeClass::NewPackage,
                                              ChangeClass::RateChange, ChangeClass::NewCaseRate,
                                              ChangeClass::DescriptionChange};
inline constexpr std::array kPackageRateClasses = {ChangeClass::RateChange};

// The tables as the scan's scripts name them.
inline constexpr char16_t kIcdTable[] = u"dbo.tbICDdiagMain";
inline constexpr char16_t kScanPackageTable[] = u"[Medicare].[dbo].[tbMedPackage]";
inline constexpr char16_t kScanCaseRateTable[] = u"[Medicare].[dbo].[tbMed_MedicalCaseRates]";

// The class of a finding, or nothing for one that proposes no change (a same row).
std::optional<ChangeClass> classOf(const jobs::Finding& finding);

// "new-code": the class's name in the change list and the page's section id.
QString className(ChangeClass c);
// "New codes": the page's heading.
QString classHeading(ChangeClass c);

} // namespace orvex::review
