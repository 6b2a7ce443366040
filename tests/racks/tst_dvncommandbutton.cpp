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
    if (!rec->fromStr(
            QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X%1, DLEN=0X0, data:").arg(msgId, 0, 16),
            nullptr))
        qFatal("test command does not parse");
    rec->status = OstrelTableRecord::Ready;
    return rec;
}
} // namespace

class TestDvnCommandButton : public QObject
{
    Q_OBJECT
    OstrelTableModel history{nullptr};
    InstrumentRackSwatch rack{QStringLiteral("R")};

private slots:
    void initTestCase()
    {
        qRegisterMetaType<OstrelTableRecord *>();
        rack.setHistoryModel(&history);
    }

    void breaksTitleIntoLines_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("height");
        const QString a("ABCDEFGHIJKL"), b("MNOPQRSTUVW"), c("XYZ0123");
        QTest::newRow("12") << a << a << 24;
        QTest::newRow("13") << a + 'M' << a + "\nM" << 48;
        QTest::newRow("30") << a + b + c << a + '\n' + b + '\n' + c << 72;
    }
    void breaksTitleIntoLines()
    {
        QFETCH(QString, title);
        QFETCH(QString, shown);
        QFETCH(int, height);
        DvnCommandButton button({title, QStringLiteral("tip")}, &rack);
        QCOMPARE(button.label->text(), shown);
        QCOMPARE(button.height(), height);
        button.setHotKey(Qt::Key_0); // the caption joins the last line, the height stays
        QCOMPARE(button.label->text(), shown + "(0)");
        QCOMPARE(button.height(), height);
        button.setTextMultiline(title); // again: the same label, in the button
        QCOMPARE(button.label->text(), shown);
        QCOMPARE(button.label->parentWidget(), &button);
        QCOMPARE(button.height(), height);
    }

    void sendsOwnCopiesOnePerTick()
    {
        QList<OstrelTableRecord *> given{command(0x380), command(0x383)};
        DvnCommandButton button({QStringLiteral("Two"), QString()}, &rack);
        button.setCommandQueue(given);
        qDeleteAll(given); // the button holds its own copies
        QSignalSpy sent(&history, &OstrelTableModel::signalSendFromHistory);
        for (int run = 1; run <= 2; ++run) {
            button.click();
            for (int tick = 1; tick <= 2; ++tick) {
                QVERIFY(!button.isEnabled());
                button.slotTimeoutSend();
                QCOMPARE(sent.count(), (run - 1) * 2 + tick);
            }
            button.slotTimeoutSend();
            QVERIFY(button.isEnabled() && !button.sendTimer->isActive());
        }
        QList<unsigned int> ids;
        for (const QList<QVariant> &args : sent) {
            auto *rec = args.at(0).value<OstrelTableRecord *>();
            QVERIFY(!button.commands.contains(rec));
            ids << rec->message.msg_id;
        }
        QCOMPARE(ids, (QList<unsigned int>{0x380, 0x383, 0x380, 0x383}));
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
        QVERIFY(button.isEnabled() && !button.sendTimer->isActive());
    }
};

QTEST_MAIN(TestDvnCommandButton)
#include "tst_dvncommandbutton.moc"
