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
        QLineEdit edit;
        edit.show();
        const QString typed = QStringLiteral("a'A~\""); // other keys pass, shifted or not
        QTest::keyClicks(&edit, typed);
        for (Qt::KeyboardModifiers mods :
             {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier),
              Qt::ControlModifier | Qt::AltModifier})
            QTest::keyClick(&edit, Qt::Key_QuoteLeft, mods);
        QCOMPARE(edit.text(), typed);
        QCOMPARE(spy.count(), 3);
        qApp->removeEventFilter(&eater);
    }
};

QTEST_MAIN(TestKeyPressEater)
#include "tst_keypresseater.moc"
