#pragma once

#include <QString>

namespace orvex::db {

enum class Product;

// Every statement the program executes, one implementation per database product.
// Values are always bound as parameters ("?"), never joined into the text.
class Statements
{
public:
    virtual ~Statements() = default;
    static const Statements& forProduct(Product product);

    // Scan lookups, one key each. Columns as named; first row wins.
    virtual QString icdByCode() const = 0;        // CODE, Description
    virtual QString icdByDescription() const = 0; // CODE, Description
    virtual QString caseRateByCode() const = 0;   // ICDCode, Description, CaseType, PackageID
    virtual QString packageByName() const = 0;    // PackageID, Package, Amount, PF, MedRoomBoard, ...

    // The same lookups for `keyCount` keys at once. The result has the key as sent in
    // column 0, then the columns of the single-key form, in the table's storage order,
    // so the first row of a key is the row the single-key form returns first.
    virtual QString icdByCodeBatch(int keyCount) const = 0;
    virtual QString icdByDescriptionBatch(int keyCount) const = 0;
    virtual QString caseRateByCodeBatch(int keyCount) const = 0;
    virtual QString packageByNameBatch(int keyCount) const = 0;
};

} // namespace orvex::db
