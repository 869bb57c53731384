#include "jobs/Values.h"

#include <QVarLengthArray>

#include <algorithm>
#include <memory>
#include <new>

namespace orvex::jobs {

// The count, then the items, in one allocation.
struct Values::Block
{
    qsizetype count;

    Item* items() { return reinterpret_cast<Item*>(this + 1); }
};

namespace {

using Item = Values::Item;
using Items = QVarLengthArray<Item, 8>;

bool byName(const Item& a, const Item& b)
{
    return a.first < b.first;
}

} // namespace

Values::Block* Values::make(const Item* from, qsizetype count)
{
    static_assert(sizeof(Block) % alignof(Item) == 0);
    if (count == 0)
        return nullptr;
    void* raw = ::operator new(sizeof(Block) + size_t(count) * sizeof(Item));
    auto* block = new (raw) Block{count};
    std::uninitialized_copy(from, from + count, block->items()); // copying a QString never throws
    return block;
}

void Values::release(Block* block)
{
    if (!block)
        return;
    std::destroy_n(block->items(), block->count);
    block->~Block();
    ::operator delete(block);
}

Values::Values(std::initializer_list<Item> given)
{
    Items items;
    for (const Item& item : given) {
        auto* at = std::lower_bound(items.begin(), items.end(), item, byName);
        if (at != items.end() && at->first == item.first)
            at->second = item.second;
        else
            items.insert(at, item);
    }
    m_block = make(items.data(), items.size());
}

Values::Values(const Values& other) : m_block(make(other.items(), other.size())) {}

Values& Values::operator=(const Values& other)
{
    if (this != &other) {
        Block* copy = make(other.items(), other.size());
        release(std::exchange(m_block, copy));
    }
    return *this;
}

Values& Values::operator=(Values&& other) noexcept
{
    if (this != &other)
        release(std::exchange(m_block, std::exchange(other.m_block, nullptr)));
    return *this;
}

Values::~Values()
{
    release(m_block);
}

qsizetype Values::size() const
{
    return m_block ? m_block->count : 0;
}

const Values::Item* Values::items() const
{
    return m_block ? m_block->items() : nullptr;
}

const Values::Item* Values::find(const QString& name) const
{
    const Item* begin = items();
    const Item* end = begin + size();
    const Item* at = std::lower_bound(begin, end, Item{name, {}}, byName);
    return at != end && at->first == name ? at : nullptr;
}

QString Values::value(const QString& name, const QString& fallback) const
{
    const Item* at = find(name);
    return at ? at->second : fallback;
}

QStringList Values::keys() const
{
    QStringList names;
    names.reserve(size());
    for (auto it = keyBegin(); it != keyEnd(); ++it)
        names << *it;
    return names;
}

void Values::insert(const QString& name, const QString& value)
{
    Items changed(items(), items() + size());
    auto* at = std::lower_bound(changed.begin(), changed.end(), Item{name, {}}, byName);
    if (at != changed.end() && at->first == name)
        at->second = value;
    else
        changed.insert(at, Item{name, value});
    release(std::exchange(m_block, make(changed.data(), changed.size())));
}

void Values::remove(const QString& name)
{
    if (!contains(name))
        return;
    Items kept;
    for (auto it = cbegin(); it != cend(); ++it) {
        if (it.key() != name)
            kept.append(Item{it.key(), it.value()});
    }
    release(std::exchange(m_block, make(kept.data(), kept.size())));
}

void Values::clear()
{
    release(std::exchange(m_block, nullptr));
}

bool operator==(const Values& a, const Values& b)
{
    return a.size() == b.size() && std::equal(a.items(), a.items() + a.size(), b.items());
}

} // namespace orvex::jobs
