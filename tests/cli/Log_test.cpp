#include "db/CurrentUser.h"
#include "support/CliRun.h"
#include "support/ConnectionFixtures.h"
#include "support/TestPaths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace orvex;

namespace {

class OneChoice : public db::SignInPrompt
{
public:
    explicit OneChoice(db::SignInChoice c) : m_choice(std::move(c)) {}
    std::optional<db::SignInChoice> ask(const db::SignInChoice&, const QString& error) override
    {
        return error.isEmpty() ? std::optional(m_choice) : std::nullopt;
    }

private:
    db::SignInChoice m_choice;
};

void writeLog(const QString& folder, const QStringList& lines)
{
    db::SignInChoice choice;
    choice.embeddedFolder = folder;
    choice.remember = false;
    OneChoice prompt(choice);
    db::CurrentUser user(prompt, std::unique_ptr<db::SignInSettings>());
    user.signIn();
    ASSERT_TRUE(user.connected()) << user.lastError().toStdString();
    for (const QString& line : lines)
        user.addLog(line);
}

QStringList lines(const QString& out)
{
    QStringList result = out.split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

} // namespace

TEST(Log, printsEveryEntryWithTimeUserWorkstationAndText)
{
    QTemporaryDir dir;
    test::writeSmallDatabases(dir.path());
    writeLog(dir.path(), {QStringLiteral("Added A00.1"), QStringLiteral("Updated a\tb\nc to d")});

    const test::CliTextRun run =
        test::runCliText({QStringLiteral("--db"), dir.path(), QStringLiteral("log")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList printed = lines(run.out);
    ASSERT_EQ(printed.size(), 2) << run.out.toStdString();
    const QStringList first = printed[0].split(QLatin1Char('\t'));
    ASSERT_EQ(first.size(), 4);
    EXPECT_TRUE(QDateTime::fromString(first[0], QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid());
    EXPECT_EQ(first[1], db::CurrentUser::systemUserName());
    EXPECT_EQ(first[2], db::CurrentUser::workstation());
    EXPECT_EQ(first[3].toStdString(), "Added A00.1");
    // A tab or line break of the text is written out: the entry stays one row of four fields.
    EXPECT_EQ(printed[1].section(QLatin1Char('\t'), 3).toStdString(), "Updated a\\tb\\nc to d");
}

TEST(Log, lastNPrintsOnlyTheNewestEntries)
{
    QTemporaryDir dir;
    test::writeSmallDatabases(dir.path());
    writeLog(dir.path(), {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});

    const test::CliTextRun run = test::runCliText({QStringLiteral("--db"), dir.path(), QStringLiteral("log"),
                                                   QStringLiteral("--last"), QStringLiteral("2")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList printed = lines(run.out);
    ASSERT_EQ(printed.size(), 2);
    EXPECT_TRUE(printed[0].endsWith(QLatin1String("\ttwo")));
    EXPECT_TRUE(printed[1].endsWith(QLatin1String("\tthree")));
}

TEST(Log, emptyLogPrintsNothingAndCreatesNoTable)
{
    QTemporaryDir dir;
    test::writeSmallDatabases(dir.path());
    const QByteArray before = test::readBytes(dir.filePath(QStringLiteral("Build_FILE.db")));
    const test::CliTextRun run =
        test::runCliText({QStringLiteral("--db"), dir.path(), QStringLiteral("log")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(test::readBytes(dir.filePath(QStringLiteral("Build_FILE.db"))), before);
}

TEST(Log, badArgumentsAreAUsageError)
{
    for (const QStringList& args : {QStringList{"log", "--last"}, QStringList{"log", "--last", "0"},
                                    QStringList{"log", "--last", "x"}, QStringList{"log", "--all"}}) {
        const test::CliTextRun run = test::runCliText(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String("log [--last N]")));
    }
}
