#ifndef KEYREPEATGUARD_H
#define KEYREPEATGUARD_H

#include <QHash>
#include <QObject>

class QKeyEvent;

// Tells a key pressed by the operator's hand from one the keyboard repeats
// while the key is held, for the keys that send something. Qt flags only
// some repeats: under X11 a client that is idle when the repeat arrives gets
// a plain release and press of the same key, at the same or almost the same
// event time, that no flag marks. So a press that follows that key's own
// release within the repeat interval (with a margin for a loaded machine) is
// a repeat too; only a key released and pressed again later counts again.
//
// Releases may go to whichever widget has the focus, and reach the dock only
// when that widget ignores them, so the guard watches them on the whole
// application: it installs itself as an application event filter for its
// lifetime. An owner keeps it as a member and asks isHandPress() in its key
// handler.
class KeyRepeatGuard : public QObject
{
public:
    KeyRepeatGuard();
    ~KeyRepeatGuard() override;

    // False for a press flagged as auto-repeat and for one that follows the
    // release of the same key within repeatWindowMs(). Events without a time
    // (made by the program itself, not by a keyboard) cannot be told apart
    // and count as pressed by hand.
    bool isHandPress(const QKeyEvent *press) const;

    // The repeat interval of the platform's key repeat rate plus the margin.
    static int repeatWindowMs();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QHash<int, ulong> releasedAt; // key code -> event time of its last release
};

#endif // KEYREPEATGUARD_H
