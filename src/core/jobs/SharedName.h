#pragma once

#include <QString>

namespace orvex::jobs {

// A text that a great many records hold alike: a table's name, a key column's, a list's
// path. Each distinct text is kept once for the whole process and a record holds a pointer
// to it, where a QString of its own would take three times the room in every record. The
// texts are never let go: a process meets a few dozen of them.
class SharedName
{
public:
    SharedName();
    SharedName(const QString& text); // NOLINT(google-explicit-constructor): a name reads as its text
    SharedName& operator=(const QString& text);

    const QString& text() const { return *m_text; }
    operator const QString&() const { return *m_text; } // NOLINT(google-explicit-constructor)
    const QString* operator->() const { return m_text; }
    bool isEmpty() const { return m_text->isEmpty(); }

    // One text, one place: equal names are the same pointer.
    friend bool operator==(const SharedName& a, const SharedName& b) { return a.m_text == b.m_text; }
    friend bool operator==(const SharedName& a, const QString& b) { return *a.m_text == b; }
    friend bool operator==(const SharedName& a, QStringView b) { return QStringView(*a.m_text) == b; }
    friend bool operator==(const SharedName& a, QLatin1String b) { return *a.m_text == b; }

private:
    static const QString* kept(const QString& text);

    const QString* m_text;
};

} // namespace orvex::jobs
