#ifndef XMLREADHELPERS_H
#define XMLREADHELPERS_H

#include <QString>
#include <QStringRef>
#include <QXmlStreamReader>

#include <iterator>

// A flat walk over the tokens of a description, map, config or rack file:
// elements count wherever they stand, and a leaf element's text is the one
// token right after its start tag. When that token is something else (an
// empty element, a child, a comment, a fault) it is not lost: the next
// call of next() hands it back, so it is acted on like any other token.
class XmlLeafWalk
{
public:
    explicit XmlLeafWalk(QXmlStreamReader &reader) : r(reader) {}

    // Moves to the next token to act on; false once the document is done.
    bool next()
    {
        if (pending) {
            pending = false;
            return true;
        }
        if (r.atEnd())
            return false;
        r.readNext();
        return true;
    }

    // The text of the leaf whose start tag is the current token; empty when
    // the element holds no text of its own.
    QString leafText()
    {
        r.readNext();
        if (r.tokenType() == QXmlStreamReader::Characters)
            return r.text().toString();
        pending = true;
        return QString();
    }

private:
    QXmlStreamReader &r;
    bool pending = false;
};

// The row for `tag` in a table of rows that begin with `const char *tag`;
// null for an element the table does not know, which the reader passes over.
template <class Row, size_t N> const Row *xmlRowFor(const Row (&table)[N], const QStringRef &tag)
{
    for (const Row &row : table) {
        if (tag == QLatin1String(row.tag))
            return &row;
    }
    return nullptr;
}

#endif // XMLREADHELPERS_H
