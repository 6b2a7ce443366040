#ifndef PANELFORM_H
#define PANELFORM_H

#include <QCoreApplication>
#include <QRect>
#include <QString>
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

#endif // PANELFORM_H
