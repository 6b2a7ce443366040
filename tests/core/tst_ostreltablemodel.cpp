#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "support_fixture.h"
#include "treemodel.h"

#include <QTableView>
#include <QtTest>

#include <cstring>

namespace
{

const QByteArray kState = QByteArray::fromHex("3412fffe");

// A received message as the links hand it over: the buffer goes with it.
tag_ostrel_message message(uint16_t id, uint16_t src, uint16_t dst, const QByteArray &bytes)
{
    tag_ostrel_message m{id, src, dst, uint16_t(bytes.size()), new uint8_t[bytes.size()]};
    std::memcpy(m.data, bytes.constData(), size_t(bytes.size()));
    return m;
}

void receive(OstrelTableModel &model, uint16_t id = 0x480, uint16_t src = 7)
{
    model.slotNewFromOstrel(message(id, src, 1, kState), kState);
}

zvs_ostrel_to_app_t block(uint32_t direction, uint32_t txStatus, int64_t timeMs, uint32_t tag)
{
    return zvs_ostrel_to_app_t{direction, txStatus, timeMs, 0, tag, {}, 0};
}

void fromServer(OstrelTableModel &model, uint16_t id, uint16_t src, const QByteArray &bytes,
                const zvs_ostrel_to_app_t &b)
{
    model.slotNewFromQRX(message(id, src, src == 1 ? 7 : 1, bytes), bytes, b);
}

QList<unsigned int> ids(const OstrelTableModel &model)
{
    QList<unsigned int> list;
    for (int r = 0; r < model.rowCount(); ++r)
        list << model.itemAtRow(unsigned(r))->recordId;
    return list;
}

OstrelTableRecord *command(RecFixture &fx, quint32 mask)
{
    auto *rec = new OstrelTableRecord;
    rec->fromStr(QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:00000000"), fx.tree);
    rec->fieldValues[1] = mask;
    rec->composeOstrelMessage();
    rec->status = OstrelTableRecord::Ready;
    return rec;
}

} // namespace

class TestOstrelTableModel : public QObject
{
    Q_OBJECT

    RecFixture *fx = nullptr;

private slots:
    void initTestCase()
    {
        qputenv("USER", "tester");
        qRegisterMetaType<OstrelTableRecord *>();
        static RecFixture fixture;
        QVERIFY(fixture.tree);
        fx = &fixture;
    }

    void depthRule()
    {
        OstrelTableModel model(fx->tree);
        QTableView view;
        view.setModel(&model);
        model.setView(&view);
        model.slotSetDepth(3);
        for (int i = 0; i < 4; ++i)
            receive(model);
        view.setCurrentIndex(model.index(0, 0));
        receive(model);
        // A depth of N holds N + 1 records; the current one stays.
        QCOMPARE(model.recordCountGet(), 4u);
        QCOMPARE(ids(model), (QList<unsigned int>{1, 3, 4, 5}));
    }

    void serverBlock()
    {
        OstrelTableModel model(fx->tree);
        QSignalSpy incoming(&model, &OstrelTableModel::signalIncomingMsg);
        OstrelTableRecord *sent = command(*fx, 1);
        const unsigned int id = model.insertPacket(sent);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        const QByteArray four = QByteArray::fromHex("01000000");

        // The server confirms record `id`: only that row changes.
        fromServer(model, 0x380, 1, four, block(1, 1, 86400000, id));
        QCOMPARE((QList<int>{model.rowCount(), changed.count(), incoming.count()}),
                 (QList<int>{1, 1, 0}));
        QCOMPARE(sent->status, unsigned(OstrelTableRecord::Sent));
        fromServer(model, 0x380, 1, four, block(1, 0, 0, id));
        QCOMPARE(sent->status, unsigned(OstrelTableRecord::ErrorTx));

        // Another client's command stays Out; a received message is In.
        fromServer(model, 0x380, 1, four, block(1, 1, 1000, 77));
        fromServer(model, 0x480, 7, kState, block(0, 0, 5000, 0));
        QCOMPARE(model.rowCount(), 3);
        OstrelTableRecord *out = model.itemAtRow(1), *in = model.itemAtRow(2);
        QCOMPARE((QList<unsigned>{out->direction, out->status, in->direction, in->status}),
                 (QList<unsigned>{OstrelTableRecord::Out, OstrelTableRecord::Sent,
                                  OstrelTableRecord::In, OstrelTableRecord::Received}));
        QCOMPARE(in->created.toMSecsSinceEpoch(), qint64(5000));
    }

    void answerCopiedAsCommand()
    {
        OstrelTableModel model(fx->tree);
        receive(model, 0x380, 7); // an answer from device 7 to the ground
        OstrelTableRecord *answer = model.itemAtRow(0);
        model.slotUpdateFromCmdEditor(answer);
        OstrelTableRecord *cmd = model.itemAtRow(1);
        QCOMPARE((QList<unsigned>{cmd->direction, cmd->src, cmd->dst, answer->src, answer->dst}),
                 (QList<unsigned>{OstrelTableRecord::Out, 1, 7, 7, 1}));
        // The header the link sends must go to the device too.
        QCOMPARE(cmd->toStr(),
                 QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:3412fffe"));
    }

    void insertWhileEmitting()
    {
        OstrelTableModel model(fx->tree);
        QTableView view;
        view.setModel(&model);
        model.setView(&view);
        model.setMaxDepth(1);
        for (int i = 0; i < 3; ++i)
            receive(model);
        model.slotEnableHistory(true);

        // Each announced record releases a command into the same model, whose send
        // receiver inserts a record in turn; both are read again right after.
        int nested = 0;
        bool intact = true;
        connect(&model, &OstrelTableModel::signalSendFromHistory, this,
                [&](OstrelTableRecord *) { receive(model); });
        connect(&model, &OstrelTableModel::signalIncomingMsg, this, [&](OstrelTableRecord *r) {
            const unsigned int id = r->recordId;
            if (nested < 3) {
                const quint32 mask = quint32(++nested);
                OstrelTableRecord *cmd = command(*fx, mask);
                model.slotInsertFromQue(cmd);
                intact = intact && cmd->fieldValues.value(1) == QVariant(mask);
            }
            intact = intact && r->recordId == id && r->fieldValues.value(1) == QVariant(0x1234u);
        });
        QSignalSpy sent(&model, &OstrelTableModel::signalSendFromHistory);
        receive(model);
        QVERIFY(intact);
        QCOMPARE(sent.count(), 3);
        QCOMPARE(model.rowCount(), 2); // depth 1 holds two
        QCoreApplication::processEvents();
        QCOMPARE(model.recordCountGet(), unsigned(model.rowCount()));
    }
};

QTEST_MAIN(TestOstrelTableModel)
#include "tst_ostreltablemodel.moc"
