#include "keypresseater.h"

#include <QtTest>
#include <QtWidgets>

// The backquote events that reach the watched widget past the application filter.
class KeyLog : public QObject
{
public:
    QList<QEvent::Type> events;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
            static_cast<QKeyEvent *>(event)->key() == Qt::Key_QuoteLeft)
            events << event->type();
        return false;
    }
};

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
        KeyLog log;
        second.installEventFilter(&log);
        first.show();
        second.show();
        QTest::keyClicks(&second, typed);
        QCOMPARE(second.text(), typed);
        QTest::keyClick(&first, Qt::Key_QuoteLeft, Qt::KeyboardModifiers(modifiers));
        QTest::keyClick(&second, Qt::Key_QuoteLeft, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(first.text(), QString());
        QCOMPARE(second.text(), typed);
        QCOMPARE(spy.count(), 2);
        // The press is taken, its release still arrives.
        QCOMPARE(log.events, QList<QEvent::Type>{QEvent::KeyRelease});
        qApp->removeEventFilter(&eater);
    }
};

QTEST_MAIN(TestKeyPressEater)
#include "tst_keypresseater.moc"
