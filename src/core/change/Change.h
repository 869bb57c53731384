#pragma once

// The changes an apply makes, as typed data: one type per kind, each with the table it writes
// and its values as read and as listed. The apply, its checks and its log handle every kind
// through std::visit, so that a kind added here and forgotten there does not compile.
#include "change/Amount.h"
#include "change/TableRef.h"

#include <QString>

#include <variant>
#include <vector>

namespace orvex::change {

// Where a list names the change: for messages.
struct Origin
{
    QString file; // the list's path; "" for the package rate script, which reads none
    int line = 0; // 1-based
    QString code; // the list's code, where the key is a package

    bool operator==(const Origin&) const = default;
};

// Amount, PF and MedRoomBoard, as the rate lists give them.
struct Rates
{
    Amount amount;
    Amount pf;
    Amount roomBoard;

    bool operator==(const Rates&) const = default;
};

// The six amounts of a package, in the order the package rate script sets them.
struct PackageAmounts
{
    Amount amount;
    Amount roomBoard;
    Amount drugs;
    Amount others;
    Amount operatingRoom;
    Amount pf;

    bool operator==(const PackageAmounts&) const = default;
};

// An ICD-10 code tbICDdiagMain lacks.
struct NewIcdCode
{
    QString code;
    QString description;
    Origin origin;
    bool operator==(const NewIcdCode&) const = default;
};

// An ICD-10 code whose description differs from the list: every row of the code is set.
struct IcdDescriptionChange
{
    QString code;
    QString readDescription;
    QString description;
    Origin origin;
    bool operator==(const IcdDescriptionChange&) const = default;
};

// A group of the PH scan that the package table lacks: a package numbered after the largest.
struct NewPackage
{
    TableRef packages;
    QString name;
    Rates rates;
    Origin origin;
    bool operator==(const NewPackage&) const = default;
};

// A code of the update run that its case-rate table lacks: a package of its own and the case rate.
struct NewCode
{
    TableRef caseRates;
    TableRef packages;
    QString code;
    QString description;
    Rates rates;
    QString caseType;
    Origin origin;
    bool operator==(const NewCode&) const = default;
};

// A code of the PH scan that tbMed_MedicalCaseRates lacks, in the package found for its group
// or the one this apply inserts for it.
struct NewCaseRate
{
    TableRef caseRates;
    QString code;
    QString description;
    QString group;
    QString packageId; // "" when the group's package is new
    Origin origin;
    bool operator==(const NewCaseRate&) const = default;
};

// A package's Amount, PF and MedRoomBoard: read from the live table, written to `packages`.
struct PackageRatesChange
{
    TableRef packages;
    QString packageId;
    Rates read;
    Rates rates;
    Origin origin;
    bool operator==(const PackageRatesChange&) const = default;
};

// The package rate script: all six amounts of a package, read from the live table and
// written to the table the script addresses.
struct PackageAmountsChange
{
    TableRef packages;
    QString packageId;
    PackageAmounts read;
    PackageAmounts amounts;
    bool operator==(const PackageAmountsChange&) const = default;
};

// A case rate whose description differs from the list.
struct CaseRateDescriptionChange
{
    TableRef caseRates;
    QString code;
    QString readDescription;
    QString description;
    Origin origin;
    bool operator==(const CaseRateDescriptionChange&) const = default;
};

// A code tbMedPackage_NEW lacks: a row in the table's largest package, as the script gives it.
struct NewStyleRow
{
    QString code;
    QString package;
    Rates rates;
    Origin origin;
    bool operator==(const NewStyleRow&) const = default;
};

// tbMedPackage_NEW's amounts of a code, written whatever they held.
struct NewStyleRates
{
    QString code;
    Rates rates;
    Origin origin;
    bool operator==(const NewStyleRates&) const = default;
};

using Change =
    std::variant<NewIcdCode, IcdDescriptionChange, NewPackage, NewCode, NewCaseRate, PackageRatesChange,
                 PackageAmountsChange, CaseRateDescriptionChange, NewStyleRow, NewStyleRates>;
using Changes = std::vector<Change>;

// For std::visit with one lambda per kind.
template <class... Ts> struct Overloaded : Ts...
{
    using Ts::operator()...;
};
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace orvex::change
