#include "dvncommandbutton.h"

#include "instrumentrackswatch.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace
{

OstrelTableRecord *command(unsigned int msgId)
{
    auto *rec = new OstrelTableRecord;
    const QString line = QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X%1, DLEN=0X2, data:%2")
                             .arg(msgId, 0, 16)
                             .arg(msgId & 0xFFFF, 4, 16, QLatin1Char('0'));
    if (!rec->fromStr(line, nullptr))
        qFatal("test command does not parse");
    rec->status = OstrelTableRecord::Ready;
    return rec;
}

QList<unsigned int> sentIds(const QSignalSpy &spy)
{
    QList<unsigned int> ids;
    for (const QList<QVariant> &args : spy)
        ids << args.at(0).value<OstrelTableRecord *>()->message.msg_id;
    return ids;
}

} // namespace

class TestDvnCommandButton : public QObject
{
    Q_OBJECT

    OstrelTableModel *history = nullptr;
    InstrumentRackSwatch *rack = nullptr;

private slots:
    void initTestCase() { qRegisterMetaType<OstrelTableRecord *>(); }
    void init()
    {
        history = new OstrelTableModel(nullptr, this);
        rack = new InstrumentRackSwatch(QStringLiteral("R"));
        rack->setHistoryModel(history);
    }
    void cleanup()
    {
        delete rack;
        delete history;
    }

    void breaksTitleIntoLines_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("height");

        QTest::newRow("12 characters") << "ABCDEFGHIJKL"
                                       << "ABCDEFGHIJKL" << 24;
        QTest::newRow("13 characters") << "ABCDEFGHIJKLM"
                                       << "ABCDEFGHIJKL\nM" << 48;
        QTest::newRow("24 characters") << "ABCDEFGHIJKLMNOPQRSTUVWX"
                                       << "ABCDEFGHIJKL\nMNOPQRSTUVW\nX" << 72;
        QTest::newRow("30 characters") << "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"
                                       << "ABCDEFGHIJKL\nMNOPQRSTUVW\nXYZ0123" << 72;
        // A line feed of the title is an ordinary character here.
        QTest::newRow("own line feed") << "Heater\non all"
                                       << "Heater\non al\nl" << 48;
    }
    void breaksTitleIntoLines()
    {
        QFETCH(QString, title);
        QFETCH(QString, shown);
        QFETCH(int, height);

        DvnCommandButton button({title, QStringLiteral("tip")}, rack);
        QCOMPARE(button.objectName(), title);
        QCOMPARE(button.text(), QString());
        QCOMPARE(button.toolTip(), QStringLiteral("tip"));
        QCOMPARE(button.label->text(), shown);
        QCOMPARE(button.height(), height);
        QCOMPARE(button.minimumHeight(), height);
        QCOMPARE(button.maximumHeight(), height);
    }

    void hotKeyJoinsCaptionKeepingHeight()
    {
        DvnCommandButton button({QStringLiteral("Reset"), QString()}, rack);
        const QSize size = button.size();
        button.setHotKey(Qt::Key_0);
        QCOMPARE(button.label->text(), QStringLiteral("Reset(0)"));
        QCOMPARE(button.size(), size);
        QCOMPARE(size.height(), 24);
    }

    void sendsOwnCopiesOnePerTick()
    {
        QList<OstrelTableRecord *> given{command(0x380), command(0x381), command(0x383)};
        DvnCommandButton button({QStringLiteral("Three"), QString()}, rack);
        button.setCommandQueue(given);
        QCOMPARE(button.commands.size(), 3);
        QSignalSpy sent(history, &OstrelTableModel::signalSendFromHistory);

        for (int run = 1; run <= 2; ++run) {
            button.click();
            QVERIFY(!button.isEnabled());
            QVERIFY(button.sendTimer->isActive());
            QCOMPARE(button.sendTimer->interval(), 1);
            for (int tick = 1; tick <= 3; ++tick) {
                button.slotTimeoutSend();
                QCOMPARE(sent.count(), (run - 1) * 3 + tick);
                QVERIFY(!button.isEnabled());
            }
            button.slotTimeoutSend();
            QVERIFY(button.isEnabled());
            QVERIFY(!button.sendTimer->isActive());
        }
        QCOMPARE(sentIds(sent), (QList<unsigned int>{0x380, 0x381, 0x383, 0x380, 0x381, 0x383}));
        QCOMPARE(history->rowCount(), 6);
        for (const QList<QVariant> &args : sent) {
            auto *rec = args.at(0).value<OstrelTableRecord *>();
            QVERIFY(!given.contains(rec));
            QVERIFY(!button.commands.contains(rec));
            QCOMPARE(rec->status, unsigned(OstrelTableRecord::Ready));
        }
        // The stored records stay with the button and unchanged; the given
        // ones stay with their owner.
        QCOMPARE(button.commands.at(1)->toStr(), given.at(1)->toStr());
        QCOMPARE(button.commands.at(0)->recordId, 0u);
        qDeleteAll(given);
        QCOMPARE(button.commands.at(2)->message.msg_id, quint16(0x383));
    }

    void sendsOnItsOwnTimer()
    {
        DvnCommandButton button({QStringLiteral("Two"), QString()}, rack);
        QScopedPointer<OstrelTableRecord> a(command(0x380)), b(command(0x381));
        button.setCommandQueue({a.data(), b.data()});
        QSignalSpy sent(history, &OstrelTableModel::signalSendFromHistory);
        button.click();
        // Appended during the send, so compared against in the same run.
        QScopedPointer<OstrelTableRecord> c(command(0x384));
        button.setCommandQueue({c.data()});
        QTRY_VERIFY(button.isEnabled());
        QCOMPARE(sentIds(sent), (QList<unsigned int>{0x380, 0x381, 0x384}));
    }

    void withoutRecordsSendsNothing()
    {
        DvnCommandButton button({QStringLiteral("Empty"), QString()}, rack);
        QSignalSpy sent(history, &OstrelTableModel::signalSendFromHistory);
        button.click();
        QVERIFY(!button.isEnabled());
        button.slotTimeoutSend();
        QVERIFY(button.isEnabled());
        QVERIFY(!button.sendTimer->isActive());
        QCOMPARE(sent.count(), 0);
    }

    void withoutHistoryReportsAndSendsNothing()
    {
        InstrumentRackSwatch bare(QStringLiteral("No history"));
        QTest::ignoreMessage(QtCriticalMsg, "History model is empty");
        DvnCommandButton button({QStringLiteral("Orphan"), QString()}, &bare);
        QScopedPointer<OstrelTableRecord> a(command(0x380));
        button.setCommandQueue({a.data()});
        QTest::ignoreMessage(QtCriticalMsg, "History model is empty");
        button.click();
        QVERIFY(button.isEnabled());
        QVERIFY(!button.sendTimer->isActive());
        button.slotTimeoutSend();
        QVERIFY(button.isEnabled());
    }
};

QTEST_MAIN(TestDvnCommandButton)
#include "tst_dvncommandbutton.moc"
