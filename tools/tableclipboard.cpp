#include "tableclipboard.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMimeData>

#include <algorithm>

static QString escapeCell(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else
            out += c;
    }
    return out;
}

TableClipboardText tableSelectionText(QAbstractItemView *view)
{
    TableClipboardText out;
    if (!view || !view->selectionModel() || !view->model())
        return out;
    QModelIndexList cells = view->selectionModel()->selectedIndexes();
    if (cells.isEmpty())
        return out;
    std::sort(cells.begin(), cells.end());

    out.html =
        QStringLiteral("<html><style>br{mso-data-placement:same-cell;}</style><table><tr><td>");
    for (int i = 0; i < cells.size(); ++i) {
        const QString text = view->model()->data(cells.at(i), Qt::DisplayRole).toString();
        out.plain += text;
        // Cell texts are plain text: escape them before line breaks become
        // markup, or a "<" in a packet name would open a tag.
        out.html += escapeCell(text).replace(QLatin1Char('\n'), QLatin1String("<br>"));
        if (i + 1 < cells.size()) {
            if (cells.at(i + 1).row() == cells.at(i).row()) {
                out.html += QLatin1String("</td><td>");
                out.plain += QLatin1Char('\t');
            } else {
                out.html += QLatin1String("</td></tr><tr><td>");
                out.plain += QLatin1Char('\n');
            }
        }
    }
    out.html += QLatin1String("</td></tr>");
    return out;
}

void copyTableSelectionToClipboard(QAbstractItemView *view)
{
    const TableClipboardText text = tableSelectionText(view);
    if (text.html.isEmpty())
        return;
    auto *mime = new QMimeData;
    mime->setHtml(text.html);
    mime->setText(text.plain);
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
}
