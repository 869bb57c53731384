#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvex::test {

// Golden files: reviewed output kept byte for byte as "<name>.golden". With the environment
// variable ORVEX_UPDATE_GOLDEN=1 the comparisons rewrite them from the current output instead
// (review the difference before committing it).

// `produced` against `golden`; `what` names it in the failure.
void expectGolden(const QByteArray& produced, const QString& golden, const QString& what);

// Each file `names` of `producedFolder` against `goldenFolder`/<name>.golden; a file that was
// not written must have no golden file either.
void expectGoldenFiles(const QString& producedFolder, const QStringList& names, const QString& goldenFolder);

// The folder holds exactly the files and folders `names`, hidden ones included.
void expectFolderHolds(const QString& folder, QStringList names);

} // namespace orvex::test
