#include "keyrepeatguard.h"

#include <QtTest>
#include <QtWidgets>

// Key events at event times in milliseconds: "P700" a press, "R700" a release, "A700" a press
// flagged as auto-repeat, "X700" the release of another key.
class TestKeyRepeatGuard : public QObject
{
    Q_OBJECT
private slots:
    void handPresses_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("hand");
        // Held under X11: a release and press pair per repeat, none flagged.
        QString held = "P1000";
        for (int t = 1700; t < 2500; t += 40)
            held += QString(" R%1 P%2").arg(t).arg(t + 12);
        QTest::newRow("held, pairs 12 ms apart") << held + " R2500" << 1;
        QTest::newRow("two taps 400 ms apart") << "P1000 R1100 P1400 R1500" << 2;
        QTest::newRow("flagged only") << "A1000" << 0;
        QTest::newRow("another key released between taps") << "P1000 R1100 X1400 P1410" << 2;
        QTest::newRow("held across the event time wrap") << "P4294966000 R4294967290 P4 R50" << 1;
        QTest::newRow("untimed, made by the program") << "P0 R0 P0 R0" << 2;
    }
    void handPresses()
    {
        QFETCH(QString, events);
        QFETCH(int, hand);
        KeyRepeatGuard guard;
        QWidget target;
        int counted = 0;
        for (const QString &e : events.split(' ')) {
            const QChar kind = e.at(0);
            const int key = kind == 'X' ? Qt::Key_1 : Qt::Key_0;
            QKeyEvent event(kind == 'R' || kind == 'X' ? QEvent::KeyRelease : QEvent::KeyPress, key,
                            Qt::NoModifier, QString(), kind == 'A');
            event.setTimestamp(e.mid(1).toULong());
            QCoreApplication::sendEvent(&target, &event);
            if (event.type() == QEvent::KeyPress && guard.isHandPress(&event))
                ++counted;
        }
        QCOMPARE(counted, hand);
    }
};

QTEST_MAIN(TestKeyRepeatGuard)
#include "tst_keyrepeatguard.moc"
