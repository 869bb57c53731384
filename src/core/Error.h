#pragma once

#include <QString>
#include <stdexcept>

namespace orvex {

// The one exception type of the tool. Its message is meant for the user: it names
// the file, line, code or database that went wrong and what to do about it.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

} // namespace orvex
