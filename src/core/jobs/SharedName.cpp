#include "jobs/SharedName.h"

#include <QHash>

#include <mutex>
#include <unordered_set>

namespace orvex::jobs {

namespace {

struct TextHash
{
    size_t operator()(const QString& text) const noexcept { return qHash(text); }
};

// The names met so far. A node set: its texts stay where they are as it grows.
struct Names
{
    std::mutex lock;
    std::unordered_set<QString, TextHash> texts;
};

Names& names()
{
    static Names* all = new Names; // never destroyed: a record may outlive any static
    return *all;
}

} // namespace

const QString* SharedName::kept(const QString& text)
{
    Names& all = names();
    const std::lock_guard<std::mutex> guard(all.lock);
    auto found = all.texts.find(text);
    if (found == all.texts.end()) // a copy of its own: `text` may lie on a buffer it does not own
        found = all.texts.insert(QString(text.constData(), text.size())).first;
    return &*found;
}

SharedName::SharedName()
{
    static const QString* const empty = kept(QString());
    m_text = empty;
}

SharedName::SharedName(const QString& text) : m_text(kept(text)) {}

SharedName& SharedName::operator=(const QString& text)
{
    m_text = kept(text);
    return *this;
}

} // namespace orvex::jobs
