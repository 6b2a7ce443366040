#include "keypresseater.h"

#include <QtTest>
#include <QtWidgets>

class TestKeyPressEater : public QObject
{
    Q_OBJECT
private slots:
    void backquoteIsSwallowedEverywhere()
    {
        KeyPressEater eater;
        qApp->installEventFilter(&eater);
        QSignalSpy spy(&eater, &KeyPressEater::signalKeyRepeatLast);
        // Two unrelated top-level windows: the filter sits on the application.
        QLineEdit first, second;
        first.show();
        second.show();
        const QString typed = QStringLiteral("a'A~\""); // other keys pass, shifted or not
        QTest::keyClicks(&second, typed);
        for (Qt::KeyboardModifiers mods :
             {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier),
              Qt::ControlModifier | Qt::AltModifier}) {
            QTest::keyClick(&first, Qt::Key_QuoteLeft, mods);
            QTest::keyClick(&second, Qt::Key_QuoteLeft, mods);
        }
        QCOMPARE(first.text(), QString());
        QCOMPARE(second.text(), typed);
        QCOMPARE(spy.count(), 6);
        qApp->removeEventFilter(&eater);
    }
};

QTEST_MAIN(TestKeyPressEater)
#include "tst_keypresseater.moc"
