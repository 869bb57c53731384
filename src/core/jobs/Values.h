#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <initializer_list>
#include <utility>

namespace orvex::jobs {

// A finding's values by column name, in the order of the names as a map keeps them, held in
// one block behind one pointer: a long list's findings hold hundreds of thousands of them,
// each of one to five values, where a map costs a block per value besides its own.
class Values
{
public:
    using Item = std::pair<QString, QString>;

    class const_iterator
    {
    public:
        const_iterator() = default;
        explicit const_iterator(const Item* at) : m_at(at) {}
        const QString& key() const { return m_at->first; }
        const QString& value() const { return m_at->second; }
        const QString& operator*() const { return m_at->second; }
        const_iterator& operator++()
        {
            ++m_at;
            return *this;
        }
        bool operator==(const const_iterator&) const = default;

    private:
        const Item* m_at = nullptr;
    };

    // Iterates the names only, as QMap::keyBegin() does.
    class key_iterator
    {
    public:
        explicit key_iterator(const Item* at) : m_at(at) {}
        const QString& operator*() const { return m_at->first; }
        const QString* operator->() const { return &m_at->first; }
        key_iterator& operator++()
        {
            ++m_at;
            return *this;
        }
        bool operator==(const key_iterator&) const = default;

    private:
        const Item* m_at;
    };

    Values() = default;
    Values(std::initializer_list<Item> items); // a later item of the same name replaces an earlier one
    Values(const Values& other);
    Values(Values&& other) noexcept : m_block(std::exchange(other.m_block, nullptr)) {}
    Values& operator=(const Values& other);
    Values& operator=(Values&& other) noexcept;
    ~Values();

    qsizetype size() const;
    bool isEmpty() const { return size() == 0; }
    bool contains(const QString& name) const { return find(name) != nullptr; }
    QString value(const QString& name, const QString& fallback = QString()) const;
    QString operator[](const QString& name) const { return value(name); }
    QStringList keys() const;

    void insert(const QString& name, const QString& value);
    void remove(const QString& name);
    void clear();

    const_iterator cbegin() const { return const_iterator(items()); }
    const_iterator cend() const { return const_iterator(items() + size()); }
    const_iterator begin() const { return cbegin(); }
    const_iterator end() const { return cend(); }
    const_iterator constBegin() const { return cbegin(); }
    const_iterator constEnd() const { return cend(); }
    key_iterator keyBegin() const { return key_iterator(items()); }
    key_iterator keyEnd() const { return key_iterator(items() + size()); }

    friend bool operator==(const Values& a, const Values& b);

private:
    struct Block;
    const Item* items() const;
    const Item* find(const QString& name) const;
    // A block holding copies of the `count` items at `from` (sorted, one per name); none for none.
    static Block* make(const Item* from, qsizetype count);
    static void release(Block* block);

    Block* m_block = nullptr;
};

} // namespace orvex::jobs
