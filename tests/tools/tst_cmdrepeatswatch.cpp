#include "cmdrepeatswatch.h"
#include "keypresseater.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

class TestRepeatList : public QObject
{
    Q_OBJECT
    CommandDock<CmdRepeatSwatch> *f = nullptr;
    QList<OstrelTableRecord *> sent;

private slots:
    void init()
    {
        f = new CommandDock<CmdRepeatSwatch>;
        connect(f->dock, &CmdRepeatSwatch::signalSendFromRepeatList, this,
                [this](OstrelTableRecord *rec) { sent << rec; });
    }
    void cleanup()
    {
        qDeleteAll(sent); // the receiver owns what it was sent
        sent.clear();
        delete f;
    }

    void loadsInItsOwnWords()
    {
        const QString path =
            f->write("cmd_repeat.txt", (kOn + "\nMSGID=0X380\n" + kStore).toLatin1());
        MessageLog log;
        f->dock->loadFromFile(path);
        QCOMPARE(log.seen, (QStringList{"Loading command repeat list from file " + path,
                                        "Error reading command repeat list file at "
                                        "\"MSGID=0X380\", insertion skipped",
                                        "finished loading"}));
        QCOMPARE(linesOf(&f->table), (QStringList{kOn, kStore}));
    }

    void sendsCopies()
    {
        MessageLog log;
        f->dock->slotRepeatLastCommand(); // an empty list repeats nothing
        f->dock->slotBtnSendPressed();
        QVERIFY(sent.isEmpty() && log.seen.isEmpty());

        addCommand(&f->table, kOn);
        addCommand(&f->table, kStore);
        f->dock->tableView->selectRow(1);
        QTest::mouseClick(f->dock->sendButton, Qt::LeftButton);
        QTest::keyClick(f->dock->tableView, Qt::Key_Enter);
        holdThenTap(f->dock->tableView, Qt::Key_Return); // sends twice, not once per repeat
        QCOMPARE(sent.size(), 4);
        for (OstrelTableRecord *rec : sent) {
            QCOMPARE(rec->toStr(), kStore);
            QVERIFY(rec != f->table.itemAtRow(1));
        }
        f->dock->slotRepeatLastCommand();
        QCOMPARE(sent.last()->toStr(), kOn);
        QCOMPARE(f->table.rowCount(), 2);
    }

    void backquoteIsSwallowedEverywhere()
    {
        KeyPressEater eater;
        qApp->installEventFilter(&eater);
        QSignalSpy spy(&eater, &KeyPressEater::signalKeyRepeatLast);
        QLineEdit edit;
        edit.show();
        QTest::keyClicks(&edit, QStringLiteral("a'A~\"")); // other keys pass, shifted or not
        QTest::keyClick(&edit, Qt::Key_QuoteLeft);
        QTest::keyClick(&edit, Qt::Key_QuoteLeft, Qt::ControlModifier);
        QCOMPARE(edit.text(), QStringLiteral("a'A~\""));
        QCOMPARE(spy.count(), 2);
        qApp->removeEventFilter(&eater);
    }
};

QTEST_MAIN(TestRepeatList)
#include "tst_cmdrepeatswatch.moc"
