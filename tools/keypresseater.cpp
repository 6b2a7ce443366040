#include "keypresseater.h"

#include <QEvent>
#include <QKeyEvent>

KeyPressEater::KeyPressEater(QObject *parent) : QObject(parent) {}

KeyPressEater::~KeyPressEater() = default;

bool KeyPressEater::eventFilter(QObject *watched, QEvent *event)
{
    // Modifiers are deliberately ignored: any combination that yields the
    // backquote key code is taken.
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_QuoteLeft) {
        emit signalKeyRepeatLast();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
