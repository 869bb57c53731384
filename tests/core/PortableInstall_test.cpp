#include "platform/PortableInstall.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using orvex::test::readBytes;
using orvex::test::writeBytes;

TEST(PortableInstall, seedingCopiesWhatTheFolderLacksAndKeepsWhatItHas)
{
    // An install for all users leaves the rate lists in program-folder\; each user's own
    // program folder gets them once and keeps the lists the user has changed since.
    QTemporaryDir install;
    QTemporaryDir user;
    const QDir from(install.filePath("program-folder"));
    ASSERT_TRUE(QDir().mkpath(from.path()));
    writeBytes(from.filePath("ICD PH 2024.txt"), "installed A");
    writeBytes(from.filePath("ICD PH 2024_PROCEDURE.txt"), "installed B");
    writeBytes(user.filePath("ICD PH 2024.txt"), "changed by the user");

    orvex::seedMissingFiles(from.path(), user.path());
    EXPECT_EQ(readBytes(user.filePath("ICD PH 2024.txt")), "changed by the user");
    EXPECT_EQ(readBytes(user.filePath("ICD PH 2024_PROCEDURE.txt")), "installed B");

    // No such folder (a portable copy, a per-user install): nothing happens.
    orvex::seedMissingFiles(install.filePath("none"), user.path());
    EXPECT_EQ(QDir(user.path()).entryList(QDir::Files).size(), 2);
}
