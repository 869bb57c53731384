#pragma once

#include <QString>
#include <stdexcept>

namespace orvex {

// The one exception type of the tool. Its message is meant for the user: it names
// the file, line, code or database that went wrong and what to do about it. Its kind says
// what sort of failure it is, for a caller that acts on it (the command line's exit code,
// the apply that says once that nothing was changed), so that no caller reads the text.
class Error : public std::runtime_error
{
public:
    enum class Kind {
        Refused,  // the tool declined: a check failed or an input is no good, nothing was done
        Database, // the database could not be reached, or a statement or a transaction failed
        File,     // a file or folder could not be read or written
        Usage,    // the command line does not fit the command's usage
        Cancelled // the user gave up (the sign-in was cancelled)
    };

    // Refused: most errors are the tool saying no, with the reason.
    explicit Error(const QString& message) : Error(Kind::Refused, message) {}
    Error(Kind kind, const QString& message)
        : std::runtime_error(message.toStdString()), m_kind(kind), m_message(message)
    {
    }
    Kind kind() const noexcept { return m_kind; }
    const QString& message() const noexcept { return m_message; }

private:
    Kind m_kind;
    QString m_message;
};

} // namespace orvex
