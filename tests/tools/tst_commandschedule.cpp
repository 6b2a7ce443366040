#include "commandschedule.h"
#include "flightplan.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

class TestCommandSchedule : public QObject
{
    Q_OBJECT
    CommandDock<CommandSchedule> *f = nullptr;
    OstrelTableModel *schedule = nullptr;
    CommandSchedule *dock = nullptr;

    void add(const QString &line, unsigned int time) { addCommand(schedule, line, time); }

private slots:
    void init()
    {
        f = new CommandDock<CommandSchedule>;
        schedule = &f->table;
        dock = f->dock;
    }
    void cleanup() { delete f; }

    void packRefusals_data()
    {
        QTest::addColumn<QList<int>>("lengths");
        QTest::addColumn<unsigned int>("time");
        QTest::addColumn<QString>("message");
        // 2 bytes of count, then 12 + L per command.
        QTest::newRow("65535 bytes fit") << QList<int>{32754, 32755} << 0u << QString();
        QTest::newRow("one byte more")
            << QList<int>{32754, 32756} << 0u
            << "Schedule does not fit into one message: more than 65535 bytes of data";
        QTest::newRow("missing record")
            << QList<int>{4, -1} << 0u << "Packet record at row 1 not found";
        QTest::newRow("send time beyond 32 bits")
            << QList<int>{4} << 4294967000u
            << "Send time of the command at row 0 does not fit into 32 bits";
    }
    void packRefusals()
    {
        QFETCH(QList<int>, lengths);
        QFETCH(unsigned int, time);
        QFETCH(QString, message);
        std::vector<std::unique_ptr<OstrelTableRecord>> records;
        QList<OstrelTableRecord *> list;
        for (int length : lengths) {
            list << nullptr; // kept for a row the model holds no record for
            if (length < 0)
                continue;
            records.emplace_back(new OstrelTableRecord);
            QVERIFY(records.back()->fromStr(
                QStringLiteral("SRC=1, DST=7, MSGID=0x102, DLEN=%1").arg(length), nullptr));
            records.back()->timeToSend = time;
            list.last() = records.back().get();
        }
        QByteArray data;
        if (!message.isEmpty())
            QTest::ignoreMessage(QtCriticalMsg, qPrintable(message));
        QCOMPARE(packScheduleData(list, 1780000000, &data), message.isEmpty());
        QCOMPARE(data.size(), message.isEmpty() ? 65535 : 0);
    }

    void sendSchedule()
    {
        QTest::ignoreMessage(QtWarningMsg, "Schedule is empty - nothing to send.");
        dock->slotBtnSendSchedulePressed();

        add(kOn, 10);
        add(kStore, 0);
        QList<OstrelTableRecord *> ready;
        connect(dock, &CommandSchedule::scheduleReady, this,
                [&ready](OstrelTableRecord *rec) { ready << rec; });
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QTest::mouseClick(dock->sendButton, Qt::LeftButton);
        const qint64 after = QDateTime::currentSecsSinceEpoch();
        QCOMPARE(ready.size(), 1);
        std::unique_ptr<OstrelTableRecord> rec(ready.first()); // the receiver owns it
        const ostrel_message &m = rec->message;
        QCOMPARE(QString::asprintf("%x %x %x %d", m.msg_id, m.src, m.dst, m.length),
                 QStringLiteral("f030 1 5 30"));
        const QByteArray data(reinterpret_cast<const char *>(m.data), m.length);
        QCOMPARE(rec->data, data);
        // The clock is read once: the offsets + 30 s are added to the same moment.
        const quint32 first = qFromLittleEndian<quint32>(data.constData() + 2);
        QVERIFY(first >= before + 40 && first <= after + 40);
        // Count, then time and message per command; byte-swapped, %08x prints little-endian.
        QCOMPARE(data.toHex(), QString::asprintf("0200%08x800301000700040001000000%08x600a010007000000",
                                                 qToBigEndian(first), qToBigEndian(first - 10))
                                   .toLatin1());
    }

    void setTimeAndArrows()
    {
        add(kOn, 0);
        add(kStore, 0);
        dock->show();
        dock->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dock));
        dock->tableView->selectRow(1);
        dock->timeSpinBox->setValue(12.9);
        QTest::mouseClick(dock->setTimeButton, Qt::LeftButton);
        QCOMPARE(linesOf(schedule, true), (QStringList{kOn + " @0", kStore + " @12"}));
        // The arrows move records only while the table has the focus.
        dock->timeSpinBox->setFocus();
        QTest::keyClick(dock->timeSpinBox, Qt::Key_Up);
        QCOMPARE(dock->timeSpinBox->value(), 13.9);
        dock->tableView->setFocus();
        QTest::keyClick(dock->tableView, Qt::Key_Up);
        QCOMPARE(linesOf(schedule, true), (QStringList{kStore + " @12", kOn + " @0"}));
    }

    void save()
    {
        add(kOn, 10);
        add(kStore, 0);
        dock->tableView->selectRow(1); // a save writes every row whatever is selected
        QString seen;
        answerFileDialog(f->dir.filePath("plan"), &seen);
        dock->slotBtnSavePressed();
        QCOMPARE(seen, "Save queue to file | " + QDir("resources/schedules").absolutePath() +
                           " | Ostrel Queue (*.sch)");
        QFile file(f->dir.filePath("plan.sch"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), (kOn + ", time:10\n" + kStore + ", time:0\n").toLatin1());

        schedule->removeRows(0, schedule->rowCount());
        QTest::ignoreMessage(QtWarningMsg, "Schedule is empty - nothing to save");
        dock->slotBtnSavePressed();
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("good");
        QTest::addColumn<QStringList>("bad");
        QTest::newRow("time first, leading zeros; none")
            << ("time:0042 " + kStore + "\n" + kOn).toLatin1()
            << QStringList{kStore + " @42", kOn + " @0"} << QStringList();
        QTest::newRow("bad line, time beyond 32 bits, largest time")
            << ("SRC=1\n" + kStore + ", time:4294967296\n" + kOn + ", time:4294967295").toLatin1()
            << QStringList{kOn + " @4294967295"}
            << QStringList{"SRC=1", kStore + ", time:4294967296"};
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, good);
        QFETCH(QStringList, bad);
        const QString path = f->write("in.sch", bytes);
        QStringList expected{"Loading schedule from file " + path};
        for (const QString &line : bad)
            expected << "Error reading schedule file at \"" + line + "\", insertion skipped";
        MessageLog log;
        dock->loadScheduleFromFile(path);
        QCOMPARE(log.seen, expected << "finished loading");
        QCOMPARE(linesOf(schedule, true), good);
    }

    void flightPlanUnreadableFileSaysSo()
    {
        // The dialog offers existing files only; one may go before it opens.
        FlightPlan plan(QStringLiteral("Flight Plan"));
        QString box;
        QTimer::singleShot(0, [&box] {
            auto *m = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(m);
            box = m->windowTitle() + ": " + m->text();
            m->accept();
        });
        plan.loadPlanFromFile(QStringLiteral(VELKARO_BINARY_DIR "/no-such-plan.xml"));
        QCOMPARE(box, QStringLiteral("Unable to open file.: No such file or directory"));
    }
};

QTEST_MAIN(TestCommandSchedule)
#include "tst_commandschedule.moc"
