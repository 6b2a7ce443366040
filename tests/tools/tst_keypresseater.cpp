#include "keypresseater.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

// Records every key event that reaches the widget it watches, after the
// application-wide filter has had its say.
class KeyLog : public QObject
{
public:
    QList<QPair<QEvent::Type, int>> events;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
            events.append(qMakePair(event->type(), static_cast<QKeyEvent *>(event)->key()));
        return false;
    }
};

class TestKeyPressEater : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void backquoteIsSwallowedEverywhere_data();
    void backquoteIsSwallowedEverywhere();
    void releaseAndOtherKeysPass_data();
    void releaseAndOtherKeysPass();

private:
    KeyPressEater *eater = nullptr;
};

void TestKeyPressEater::init()
{
    eater = new KeyPressEater;
    qApp->installEventFilter(eater);
}

void TestKeyPressEater::cleanup()
{
    qApp->removeEventFilter(eater);
    delete eater;
    eater = nullptr;
}

void TestKeyPressEater::backquoteIsSwallowedEverywhere_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::newRow("plain") << int(Qt::NoModifier);
    QTest::newRow("shift") << int(Qt::ShiftModifier);
    QTest::newRow("ctrl+alt") << int(Qt::ControlModifier | Qt::AltModifier);
}

void TestKeyPressEater::backquoteIsSwallowedEverywhere()
{
    QFETCH(int, modifiers);
    QSignalSpy spy(eater, &KeyPressEater::signalKeyRepeatLast);
    // Two unrelated top-level windows: the filter sits on the application.
    QLineEdit first;
    QLineEdit second;
    first.show();
    second.show();
    QTest::keyClick(&first, Qt::Key_QuoteLeft, Qt::KeyboardModifiers(modifiers));
    QTest::keyClick(&second, Qt::Key_QuoteLeft, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(first.text(), QString());
    QCOMPARE(second.text(), QString());
    QCOMPARE(spy.count(), 2);
}

void TestKeyPressEater::releaseAndOtherKeysPass_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("a") << QStringLiteral("a");
    QTest::newRow("shifted") << QStringLiteral("A~\"");
    QTest::newRow("apostrophe") << QStringLiteral("'");
}

void TestKeyPressEater::releaseAndOtherKeysPass()
{
    QFETCH(QString, typed);
    QSignalSpy spy(eater, &KeyPressEater::signalKeyRepeatLast);
    QLineEdit edit;
    KeyLog log;
    edit.installEventFilter(&log);
    edit.show();

    QTest::keyClicks(&edit, typed);
    QCOMPARE(edit.text(), typed);
    QCOMPARE(spy.count(), 0);

    log.events.clear();
    QTest::keyClick(&edit, Qt::Key_QuoteLeft);
    // The press is taken, its release still arrives.
    QCOMPARE(log.events.size(), 1);
    QCOMPARE(log.events.first().first, QEvent::KeyRelease);
    QCOMPARE(log.events.first().second, int(Qt::Key_QuoteLeft));
    QCOMPARE(edit.text(), typed);
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(TestKeyPressEater)
#include "tst_keypresseater.moc"
