#include "cmdrepeatswatch.h"
#include "ostreltablerecord.h"
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
        QCOMPARE(f->dock->listPath, QStringLiteral("resources/cmd_repeat.txt"));
        const QString path =
            f->write("cmd_repeat.txt", (kOn + "\nMSGID=0X380\n" + kStore).toLatin1());
        MessageLog log;
        f->dock->loadFromFile(path);
        QCOMPARE(log.seen, (QStringList{"Loading command repeat list from file " + path,
                                        "Error reading command repeat list file at "
                                        "\"MSGID=0X380\", insertion skipped",
                                        "finished loading"}));
        QCOMPARE(linesOf(&f->table), (QStringList{kOn, kStore}));
        QCOMPARE(f->table.itemAtRow(1)->status, unsigned(OstrelTableRecord::Ready));
    }

    void idsAndCopies()
    {
        addCommand(&f->table, kOn);
        addCommand(&f->table, kStore);
        QCOMPARE(f->table.itemAtRow(0)->recordId, 1000000u);
        QCOMPARE(f->table.itemAtRow(1)->recordId, 1000001u);

        f->dock->tableView->selectRow(1);
        QTest::mouseClick(f->dock->sendButton, Qt::LeftButton);
        QTest::keyClick(f->dock->tableView, Qt::Key_Return);
        QTest::keyClick(f->dock->tableView, Qt::Key_Enter);
        holdThenTap(f->dock->tableView, Qt::Key_Return);
        QCOMPARE(sent.size(), 5);
        QVERIFY(sent.at(0) != sent.at(1) && sent.at(1) != sent.at(2));
        for (OstrelTableRecord *rec : sent) {
            QCOMPARE(rec->toStr(), kStore);
            QVERIFY(rec != f->table.itemAtRow(1));
        }
        QCOMPARE(f->table.rowCount(), 2);

        QTest::ignoreMessage(QtDebugMsg, "Repeat command: channels_on");
        f->dock->slotRepeatLastCommand();
        QCOMPARE(sent.size(), 6);
        QCOMPARE(sent.last()->toStr(), kOn);
        QTest::keyClick(f->dock->tableView, Qt::Key_Delete); // the list has no delete key
        QCOMPARE(f->table.rowCount(), 2);
        QVERIFY(!f->dock->actionShow->icon().isNull());
    }

    void emptyListRepeatsNothing()
    {
        MessageLog log;
        f->dock->slotRepeatLastCommand();
        f->dock->slotBtnSendPressed();
        QVERIFY(sent.isEmpty());
        QCOMPARE(log.seen, QStringList());
    }
};

QTEST_MAIN(TestRepeatList)
#include "tst_cmdrepeatswatch.moc"
