#include "keypresseater.h"

#include <QtTest>
#include <QtWidgets>

class TestKeyPressEater : public QObject
{
    Q_OBJECT
private slots:
    void backquoteIsSwallowedEverywhere_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("typed"); // other keys pass, the apostrophe too
        QTest::newRow("plain") << int(Qt::NoModifier) << QStringLiteral("a'");
        QTest::newRow("shift") << int(Qt::ShiftModifier) << QStringLiteral("A~\"");
        QTest::newRow("ctrl+alt") << int(Qt::ControlModifier | Qt::AltModifier) << QString();
    }

    void backquoteIsSwallowedEverywhere()
    {
        QFETCH(int, modifiers);
        QFETCH(QString, typed);
        KeyPressEater eater;
        qApp->installEventFilter(&eater);
        QSignalSpy spy(&eater, &KeyPressEater::signalKeyRepeatLast);
        // Two unrelated top-level windows: the filter sits on the application.
        QLineEdit first, second;
        first.show();
        second.show();
        QTest::keyClicks(&second, typed);
        QCOMPARE(second.text(), typed);
        QTest::keyClick(&first, Qt::Key_QuoteLeft, Qt::KeyboardModifiers(modifiers));
        QTest::keyClick(&second, Qt::Key_QuoteLeft, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(first.text(), QString());
        QCOMPARE(second.text(), typed);
        QCOMPARE(spy.count(), 2);
        qApp->removeEventFilter(&eater);
    }
};

QTEST_MAIN(TestKeyPressEater)
#include "tst_keypresseater.moc"
