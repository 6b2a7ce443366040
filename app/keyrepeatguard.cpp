#include "keyrepeatguard.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QStyleHints>

#include <algorithm>

namespace
{
// A repeated release and press come within a few milliseconds of each other;
// a hand needs far longer to lift a key and strike it again. The margin also
// covers a tool or a busy X server that stamps the pair a little apart.
constexpr int kMarginMs = 100;
} // namespace

KeyRepeatGuard::KeyRepeatGuard()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

KeyRepeatGuard::~KeyRepeatGuard() = default;

int KeyRepeatGuard::repeatWindowMs()
{
    const int rate = QGuiApplication::styleHints()->keyboardAutoRepeatRate();
    return 1000 / std::max(rate, 1) + kMarginMs;
}

bool KeyRepeatGuard::isHandPress(const QKeyEvent *press) const
{
    if (press->isAutoRepeat())
        return false;
    const auto released = releasedAt.constFind(press->key());
    if (released == releasedAt.constEnd() || press->timestamp() == 0 || *released == 0)
        return true;
    // X11 event times are 32-bit milliseconds that wrap; a press stamped
    // before the release gives a huge difference and counts.
    const quint32 gap = quint32(press->timestamp()) - quint32(*released);
    return gap > quint32(repeatWindowMs());
}

bool KeyRepeatGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease) {
        const auto *release = static_cast<QKeyEvent *>(event);
        releasedAt.insert(release->key(), release->timestamp());
    }
    return QObject::eventFilter(watched, event);
}
