#include "cmdrepeatswatch.h"
#include "ostreltablerecord.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

const QString kOn = QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000");
const QString kStore = QStringLiteral("SRC=0X1, DST=0X7, MSGID=0XA60, DLEN=0X0");

// Every message that reaches the handler while it lives.
struct MessageLog {
    static QStringList *lines;
    QStringList seen;
    QtMessageHandler previous;
    MessageLog()
    {
        lines = &seen;
        previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &text) { *lines << text; });
    }
    ~MessageLog() { qInstallMessageHandler(previous); }
};
QStringList *MessageLog::lines = nullptr;

} // namespace

class TestRepeatList : public QObject
{
    Q_OBJECT
    SampleModels *models = nullptr;
    OstrelTableModel *list = nullptr;
    CmdRepeatSwatch *dock = nullptr;
    QList<OstrelTableRecord *> sent;

    QString listFile(const QByteArray &bytes)
    {
        static QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cmd_repeat.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            return QString();
        return path;
    }
    void load(const QByteArray &bytes)
    {
        const QString path = listFile(bytes);
        QTest::ignoreMessage(QtDebugMsg,
                             qPrintable("Loading command repeat list from file " + path));
        QTest::ignoreMessage(QtDebugMsg, "finished loading");
        dock->loadFromFile(path);
    }

private slots:
    void init()
    {
        models = new SampleModels;
        list = new OstrelTableModel(models->treeModel.get());
        dock = new CmdRepeatSwatch(QStringLiteral("Repeat"));
        dock->setModel(list);
        connect(dock, &CmdRepeatSwatch::signalSendFromRepeatList, this,
                [this](OstrelTableRecord *rec) { sent << rec; });
    }
    void cleanup()
    {
        qDeleteAll(sent); // the receiver owns what it was sent
        sent.clear();
        delete dock;
        delete list;
        delete models;
    }

    void idsAndCopies()
    {
        QCOMPARE(dock->listPath, QStringLiteral("resources/cmd_repeat.txt"));
        load((kOn + '\n' + kStore + '\n').toLatin1());
        QCOMPARE(list->itemAtRow(0)->recordId, 1000000u);
        QCOMPARE(list->itemAtRow(1)->recordId, 1000001u);
        QCOMPARE(list->itemAtRow(1)->status, unsigned(OstrelTableRecord::Ready));

        dock->tableView->selectRow(1);
        QTest::mouseClick(dock->sendButton, Qt::LeftButton);
        QTest::keyClick(dock->tableView, Qt::Key_Return);
        QTest::keyClick(dock->tableView, Qt::Key_Enter);
        QCOMPARE(sent.size(), 3);
        QVERIFY(sent.at(0) != sent.at(1) && sent.at(1) != sent.at(2));
        for (OstrelTableRecord *rec : sent) {
            QCOMPARE(rec->toStr(), kStore);
            QVERIFY(rec != list->itemAtRow(1));
        }
        QCOMPARE(list->rowCount(), 2);

        QTest::ignoreMessage(QtDebugMsg, "Repeat command: channels_on");
        dock->slotRepeatLastCommand();
        QCOMPARE(sent.size(), 4);
        QCOMPARE(sent.last()->toStr(), kOn);
        QTest::keyClick(dock->tableView, Qt::Key_Delete); // the list has no delete key
        QCOMPARE(list->rowCount(), 2);
    }

    void file_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("first line empty") << ("\n" + kOn).toLatin1() << 0 << QStringList();
        QTest::newRow("bad line skipped")
            << (kOn + "\nMSGID=0X380\n" + kStore).toLatin1() << 2
            << QStringList{"Error reading command repeat list file at \"MSGID=0X380\", "
                           "insertion skipped"};
    }
    void file()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, rows);
        QFETCH(QStringList, messages);
        const QString path = listFile(bytes);
        MessageLog log;
        dock->loadFromFile(path);
        QCOMPARE(list->rowCount(), rows);
        QCOMPARE(log.seen, QStringList{"Loading command repeat list from file " + path} + messages +
                               QStringList{"finished loading"});
    }

    void emptyListRepeatsNothing()
    {
        MessageLog log;
        dock->slotRepeatLastCommand();
        dock->slotBtnSendPressed();
        QVERIFY(sent.isEmpty());
        QCOMPARE(log.seen, QStringList());
    }

    void looks()
    {
        load((kOn + '\n' + kStore + '\n').toLatin1());
        dock->resize(520, 220);
        dock->show();
        QVERIFY(QTest::qWaitForWindowExposed(dock));
        QVERIFY(dock->grab().save(QStringLiteral(VELKARO_BINARY_DIR "/repeat-dock.png")));
        QVERIFY(!dock->actionShow->icon().isNull());
    }
};

QTEST_MAIN(TestRepeatList)
#include "tst_cmdrepeatswatch.moc"
