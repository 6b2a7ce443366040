#ifndef KEYPRESSEATER_H
#define KEYPRESSEATER_H

#include <QObject>

class QEvent;

// Application-wide event filter that reserves the backquote key: every press
// of it, in any window, is consumed and announced with signalKeyRepeatLast().
// Releases and every other key pass through untouched. Start-up installs one
// on the application and keeps it for the whole run.
class KeyPressEater : public QObject
{
    Q_OBJECT
public:
    explicit KeyPressEater(QObject *parent = nullptr);
    ~KeyPressEater() override;

signals:
    void signalKeyRepeatLast();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

#endif // KEYPRESSEATER_H
