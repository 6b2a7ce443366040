#ifndef PANELFORM_H
#define PANELFORM_H

#include <QCoreApplication>
#include <QHash>
#include <QLineEdit>
#include <QRect>
#include <QString>
#include <QTextEdit>
#include <QVariant>
#include <QWidget>

// The power panels build their fixed forms from tables: each object is the
// panel member that holds it and its object name, so a loop can make it,
// name it and store it where the panel's code expects it.
template <class Panel, class W> struct FormObject {
    W *Panel::*member;
    const char *name;
};

// Makes the object as a child of parent, at rect unless rect is null (a
// layout places it then), and stores it in the panel's member.
template <class Panel, class W>
W *makeFormObject(Panel *panel, const FormObject<Panel, W> &object, QWidget *parent,
                  const QRect &rect = QRect())
{
    auto *widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(object.name));
    if (!rect.isNull())
        widget->setGeometry(rect);
    panel->*object.member = widget;
    return widget;
}

// The forms' texts, Russian in UTF-8, go through translation like those of
// a compiled designer form.
inline QString formText(const char *utf8)
{
    return QCoreApplication::translate("Form", utf8);
}
inline QString formText(const QString &text)
{
    return formText(text.toUtf8().constData());
}

// The telemetry values of a panel's value edits. Laying out text nobody sees
// cost more than all the rest of a record, so while the panel is out of sight
// only the newest value of each edit is kept, made into text and written
// when the panel is shown.
template <class Edit> class PanelValues
{
public:
    void show(const QWidget *panel, Edit *edit, const QVariant &value)
    {
        if (!panel->isVisible()) {
            m_unshown.insert(edit, value);
            return;
        }
        // Telemetry repeats itself mostly; an edit given the text it already
        // shows would still redo its layout (a text edit its whole document).
        const QString text = value.toString();
        if (shownText(edit) != text)
            edit->setText(text);
    }

    // For the panel's showEvent.
    void writeUnshown()
    {
        for (auto i = m_unshown.cbegin(); i != m_unshown.cend(); ++i)
            i.key()->setText(i.value().toString());
        m_unshown.clear();
    }

private:
    static QString shownText(const QLineEdit *edit) { return edit->text(); }
    static QString shownText(const QTextEdit *edit) { return edit->toPlainText(); }

    QHash<Edit *, QVariant> m_unshown;
};

#endif // PANELFORM_H
