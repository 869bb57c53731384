#include "db/Query.h"

#include "Error.h"
#include "db/Connection.h"
#include "db/Dialect.h"
#include "text/JsonText.h"

namespace orvex::db {

namespace {

std::vector<const QueryText*>& registry()
{
    static std::vector<const QueryText*> all;
    return all;
}

bool isNameChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool isIdentifier(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (const QChar c : s)
        if (!isNameChar(c) && c != u'_')
            return false;
    return true;
}

// The name after ":" or "$" at `at` (letters and digits), or empty.
QString nameAt(const QString& text, qsizetype at)
{
    qsizetype end = at;
    while (end < text.size() && isNameChar(text[end]))
        ++end;
    return text.mid(at, end - at);
}

// Reads the texts of a definition, and renders them when given a dialect and the bound
// values; without, it only lists the names the texts use.
class Renderer
{
public:
    Renderer(const QueryText& definition, const Dialect* dialect, const QHash<QString, QVariant>* values,
             const QHash<QString, QString>* identifiers, const QHash<QString, QStringList>* lists)
        : m_definition(definition), m_dialect(dialect), m_values(values), m_identifiers(identifiers),
          m_lists(lists)
    {
    }

    RenderedStatement render(const QString& text)
    {
        m_out = RenderedStatement{};
        bool quoted = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == u'\'')
                quoted = !quoted;
            if (quoted) {
                m_out.sql += c;
                continue;
            }
            if ((c == u':' || c == u'$') && i + 1 < text.size() && isNameChar(text[i + 1])) {
                const QString name = nameAt(text, i + 1);
                i += name.size();
                m_out.sql += c == u':' ? value(name) : identifier(name);
            } else if (c == u'{') {
                const qsizetype close = text.indexOf(u'}', i);
                if (close < 0)
                    fail(QStringLiteral("a \"{\" without \"}\""));
                token(text.mid(i + 1, close - i - 1).trimmed());
                i = close;
            } else {
                m_out.sql += c;
            }
        }
        return m_out;
    }

    // The names the texts read use, by kind.
    QStringList usedValues;
    QStringList usedIdentifiers;
    QStringList usedLists;

private:
    [[noreturn]] void fail(const QString& what) const
    {
        throw Error(Error::Kind::Database,
                    QStringLiteral("The statement %1 cannot be made: %2.").arg(m_definition.name(), what));
    }

    static void note(QStringList& names, const QString& name)
    {
        if (!names.contains(name))
            names << name;
    }

    QString value(const QString& name)
    {
        note(usedValues, name);
        if (!m_dialect)
            return QStringLiteral("?");
        const auto it = m_values->constFind(name);
        if (it == m_values->constEnd())
            fail(QStringLiteral("no value is bound to :%1").arg(name));
        m_out.params << *it;
        return QStringLiteral("?");
    }

    QString identifier(const QString& name)
    {
        note(usedIdentifiers, name);
        if (!m_dialect)
            return name;
        const auto it = m_identifiers->constFind(name);
        if (it == m_identifiers->constEnd())
            fail(QStringLiteral("no name is bound to $%1").arg(name));
        return *it;
    }

    QStringList list(const QString& ref)
    {
        if (!ref.startsWith(u':') || !isIdentifier(ref.mid(1)))
            fail(QStringLiteral("\"%1\" is no list name").arg(ref));
        const QString name = ref.mid(1);
        note(usedLists, name);
        if (!m_dialect)
            return {};
        const auto it = m_lists->constFind(name);
        if (it == m_lists->constEnd())
            fail(QStringLiteral("no list is bound to :%1").arg(name));
        return *it;
    }

    void token(const QString& token)
    {
        const QStringList words = token.split(u' ', Qt::SkipEmptyParts);
        const QString head = words.value(0);
        if (head == QLatin1String("order") || head.startsWith(QLatin1String("order:"))) {
            orderToken(token.mid(5));
        } else if (head == QLatin1String("join")) {
            if (m_dialect)
                m_out.sql += m_dialect->keysJoin();
        } else if ((head == QLatin1String("keys") || head == QLatin1String("jsonkeys")) &&
                   words.size() == 2) {
            keysToken(list(words[1]), head == QLatin1String("jsonkeys"));
        } else if (head == QLatin1String("orAllLike") && words.size() == 3) {
            const QStringList patterns = list(words[1]);
            QStringList likes;
            for (const QString& pattern : patterns) {
                m_out.params << pattern;
                likes << words[2] + QStringLiteral(" like ? escape '!'");
            }
            if (!likes.isEmpty())
                m_out.sql += QStringLiteral(" or (") + likes.join(QStringLiteral(" and ")) + QLatin1Char(')');
        } else if (words.size() == 1 && token.count(u'.') == 1) {
            const QString database = token.section(u'.', 0, 0);
            QString table = token.section(u'.', 1);
            if (table.startsWith(u'$'))
                table = identifier(table.mid(1));
            if (m_dialect)
                m_out.sql += m_dialect->table(database, table);
        } else {
            fail(QStringLiteral("\"{%1}\" is no part the statements know").arg(token));
        }
    }

    // "{order}", "{order t}", "{order: A*, B}", "{order t: A*, B}".
    void orderToken(const QString& rest)
    {
        const qsizetype colon = rest.indexOf(u':');
        const QString alias = (colon < 0 ? rest : rest.left(colon)).trimmed();
        QStringList columns;
        if (colon >= 0) {
            for (const QString& column : rest.mid(colon + 1).split(u',', Qt::SkipEmptyParts))
                columns << column.trimmed();
        }
        if (m_dialect)
            m_out.sql += m_dialect->order(alias.isEmpty() ? QString() : alias + QLatin1Char('.'), columns);
    }

    void keysToken(const QStringList& keys, bool json)
    {
        if (!m_dialect)
            return;
        if (keys.isEmpty())
            fail(QStringLiteral("the key list is empty"));
        if (json && m_dialect->jsonKeysInOneParameter()) {
            text::JsonText array;
            array.open('[');
            for (const QString& key : keys)
                array.scalar(key);
            array.close(']');
            m_out.params << QString::fromUtf8(array.take());
        } else {
            for (const QString& key : keys)
                m_out.params << key;
        }
        m_out.sql += m_dialect->keys(int(keys.size()), json);
    }

    const QueryText& m_definition;
    const Dialect* m_dialect;
    const QHash<QString, QVariant>* m_values;
    const QHash<QString, QString>* m_identifiers;
    const QHash<QString, QStringList>* m_lists;
    RenderedStatement m_out;
};

} // namespace

QueryText::QueryText(const char* name, const Both& both) : QueryText(name, PerProduct{both.texts, both.texts})
{
}

QueryText::QueryText(const char* name, PerProduct texts)
    : m_name(QLatin1String(name)), m_sqlServer(std::move(texts.sqlServer)), m_sqlite(std::move(texts.sqlite))
{
    Renderer names(*this, nullptr, nullptr, nullptr, nullptr);
    for (const QStringList* list : {&m_sqlServer, &m_sqlite})
        for (const QString& text : *list)
            names.render(text);
    m_values = names.usedValues;
    m_identifiers = names.usedIdentifiers;
    m_lists = names.usedLists;
    registry().push_back(this);
}

const QStringList& QueryText::texts(Product product) const
{
    return product == Product::SqlServer ? m_sqlServer : m_sqlite;
}

const std::vector<const QueryText*>& QueryText::all()
{
    return registry();
}

Query& Query::bind(const QString& name, const QVariant& value)
{
    m_values.insert(name, value);
    return *this;
}

Query& Query::bindName(const QString& name, const QString& identifier)
{
    if (!isIdentifier(identifier))
        throw Error(Error::Kind::Database,
                    QStringLiteral("The statement %1 cannot be made: \"%2\" is no table or column name.")
                        .arg(m_text->name(), identifier));
    m_identifiers.insert(name, identifier);
    return *this;
}

Query& Query::bindList(const QString& name, const QStringList& values)
{
    m_lists.insert(name, values);
    return *this;
}

bool Query::sends(Product product) const
{
    return !m_text->texts(product).isEmpty();
}

bool Query::keysInOneParameter(Product product) const
{
    return keysInOneParameter(Dialect::of(product));
}

bool Query::keysInOneParameter(const Dialect& dialect) const
{
    return dialect.jsonKeysInOneParameter() && hasJsonKeys(dialect.product());
}

bool Query::hasJsonKeys(Product product) const
{
    for (const QString& text : m_text->texts(product))
        if (text.contains(QLatin1String("{jsonkeys ")))
            return true;
    return false;
}

std::vector<RenderedStatement> Query::render(Product product) const
{
    return render(Dialect::of(product));
}

std::vector<RenderedStatement> Query::render(const Dialect& dialect) const
{
    const Product product = dialect.product();
    const auto checkKnown = [this](const QStringList& bound, const QStringList& used, const char* sign) {
        for (const QString& name : bound) {
            if (!used.contains(name))
                throw Error(Error::Kind::Database,
                            QStringLiteral("The statement %1 cannot be made: it has no %2%3.")
                                .arg(m_text->name(), QLatin1String(sign), name));
        }
    };
    checkKnown(m_values.keys(), m_text->values(), ":");
    checkKnown(m_identifiers.keys(), m_text->identifiers(), "$");
    checkKnown(m_lists.keys(), m_text->lists(), "list :");
    Renderer renderer(*m_text, &dialect, &m_values, &m_identifiers, &m_lists);
    std::vector<RenderedStatement> statements;
    for (const QString& text : m_text->texts(product))
        statements.push_back(renderer.render(text));
    return statements;
}

RenderedStatement Query::renderOne(Product product) const
{
    return renderOne(Dialect::of(product));
}

RenderedStatement Query::renderOne(const Dialect& dialect) const
{
    std::vector<RenderedStatement> statements = render(dialect);
    if (statements.size() != 1)
        throw Error(Error::Kind::Database, QStringLiteral("The statement %1 is %2 statements here, not one.")
                                               .arg(m_text->name())
                                               .arg(statements.size()));
    return std::move(statements.front());
}

} // namespace orvex::db
