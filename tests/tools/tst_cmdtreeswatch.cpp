#include "cmdtreeswatch.h"
#include "support_tools.h"
#include "treeproxymodel.h"

#include <QtTest>
#include <QtWidgets>

class TestCmdTreeSwatch : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        qRegisterMetaType<TreeItem *>();
        models = new SampleModels;
        window = new QMainWindow;
        dock = new CmdTreeSwatch(QStringLiteral("Tree"), window);
        dock->setTreeModel(models->treeModel.get());
        proxy = dock->treeView->model();
    }
    void cleanup()
    {
        delete window;
        delete models;
    }
    void filters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("leafPattern"); // every visible leaf matches it
        QTest::addColumn<QString>("shownDevice");
        QTest::addColumn<QString>("hiddenDevice");
        QTest::newRow("none") << QString() << QString() << "7 PSW (psw16)" << QString();
        // Lower-case letters find the upper-case hex of the ADCS packets.
        QTest::newRow("case-insensitive") << "1a-"
                                          << "^~?1A-"
                                          << "1A ADCS (adcs1)"
                                          << "7 PSW (psw16)";
        QTest::newRow("telemetry only") << "^~"
                                        << "^~"
                                        << "7 PSW (psw16)" << QString();
        QTest::newRow("one packet") << "CHANNELS_ON"
                                    << "^7-380 channels_on$"
                                    << "7 PSW (psw16)"
                                    << "18 PSU (psu8)";
        QTest::newRow("not an expression") << "(" << QString() << QString() << "7 PSW (psw16)";
    }
    void filters()
    {
        QFETCH(QString, filter);
        QFETCH(QString, leafPattern);
        QFETCH(QString, shownDevice);
        QFETCH(QString, hiddenDevice);
        QCOMPARE(proxy->index(0, 0).data().toString(),
                 QStringLiteral("Velkaro-1 (Base address 1)"));
        dock->filterEdit->setText(filter);
        const QStringList shown = leaves();
        QCOMPARE(shown.isEmpty(), shownDevice.isEmpty());
        for (const QString &leaf : shown)
            QVERIFY2(QRegularExpression(leafPattern).match(leaf).hasMatch(), qPrintable(leaf));
        if (!hiddenDevice.isEmpty())
            QVERIFY(!row(hiddenDevice).isValid());
        if (!shownDevice.isEmpty()) // a filter opens the whole tree
            QCOMPARE(dock->treeView->isExpanded(row(shownDevice)), !filter.isEmpty());
    }
    void clearingAndUnknownBox()
    {
        dock->filterEdit->setText(QStringLiteral("psw"));
        QTest::mouseClick(dock->clearFilterButton, Qt::LeftButton);
        QCOMPARE(dock->filterEdit->text(), QString());
        const QModelIndex device = row(QStringLiteral("7 PSW (psw16)"));
        QVERIFY(dock->treeView->isExpanded(device.parent())); // back to depth 2
        QVERIFY(!dock->treeView->isExpanded(device));
        dock->filterEdit->setText(QStringLiteral("x"));
        QTest::keyClick(dock, Qt::Key_Escape);
        QCOMPARE(dock->filterEdit->text(), QString());

        QVERIFY(!dock->filterUnknownBox->isChecked()); // the model's flag wins
        dock->filterUnknownBox->setChecked(true);
        QVERIFY(models->treeModel->rejectUnknown);
        dock->filterUnknownBox->setChecked(false);
        QVERIFY(!models->treeModel->rejectUnknown);
    }
    void pickingAndSending()
    {
        QSignalSpy picked(models->treeModel.get(), &TreeModel::signalNewCmdPacketEdit);
        QSignalSpy force(dock, &CmdTreeSwatch::signalForce2Que);
        QItemSelectionModel *sel = dock->treeView->selectionModel();
        const QModelIndex device = row(QStringLiteral("7 PSW (psw16)"));
        sel->select(device, QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(dock, Qt::Key_Return);
        QCOMPARE(picked.count(), 0);
        QCOMPARE(force.count(), 0);

        sel->select(row(QStringLiteral("7-380 channels_on")), QItemSelectionModel::ClearAndSelect);
        QCOMPARE(picked.count(), 1);
        QCOMPARE(picked.first().first().value<TreeItem *>(), models->node(0x7, 0x380));
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Right, Qt::Key_Left})
            QTest::keyClick(dock, key);
        QCOMPARE(force.count(), 3);

        // "The first" of a selection is its topmost row, whatever the order in
        // which the rows were picked: here the device row, which has no packet.
        const QModelIndex firstPacket = proxy->index(0, 0, device);
        const QModelIndex lastPacket = proxy->index(proxy->rowCount(device) - 1, 0, device);
        QVERIFY(lastPacket.row() > 0);
        sel->select(lastPacket, QItemSelectionModel::ClearAndSelect);
        sel->select(device, QItemSelectionModel::Select);
        dock->slotItemDoubleClicked();
        QCOMPARE(force.count(), 3);
        auto *filter = qobject_cast<TreeProxyModel *>(proxy);
        QItemSelection reversed(lastPacket, lastPacket);
        reversed.select(firstPacket, firstPacket);
        filter->slotNewCmdPacketEditFromSel(reversed, QItemSelection());
        QCOMPARE(picked.last().first().value<TreeItem *>(),
                 static_cast<TreeItem *>(filter->mapToSource(firstPacket).internalPointer()));

        // Through a filter the proxy still hands over the tree model's own node.
        dock->filterEdit->setText(QStringLiteral("feeders"));
        sel->select(row(QStringLiteral("~7-480 feeders_state")),
                    QItemSelectionModel::ClearAndSelect);
        QCOMPARE(picked.last().first().value<TreeItem *>(), models->node(0x7, 0x480));
    }
    void noBusAddressAndAllOff()
    {
        // A device the map gives no bus address: its packets cannot be commanded.
        models->node(0x7, 0x380)->deviceTag.devAddress = 0;
        QSignalSpy picked(models->treeModel.get(), &TreeModel::signalNewCmdPacketEdit);
        QSignalSpy force(dock, &CmdTreeSwatch::signalForce2Que);
        dock->treeView->selectionModel()->select(row(QStringLiteral("7-380 channels_on")),
                                                 QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(dock, Qt::Key_Return);
        QCOMPARE(picked.count(), 0);
        QCOMPARE(force.count(), 0);

        TreeItem *packet = models->node(0x7, 0x480);
        dock->slotActionAllOff();
        QCOMPARE(packet->isValidRxAddress(), int(Qt::Unchecked));
        QVERIFY(!dock->treeView->selectionModel()->hasSelection());
        dock->slotActionAllOn();
        QCOMPARE(packet->isValidRxAddress(), int(Qt::Checked));
    }

private:
    QModelIndex row(const QString &label) const
    {
        return proxy
            ->match(proxy->index(0, 0), Qt::DisplayRole, label, 1,
                    Qt::MatchExactly | Qt::MatchRecursive)
            .value(0);
    }
    QStringList leaves(const QModelIndex &parent = QModelIndex()) const
    {
        QStringList out;
        for (int r = 0; r < proxy->rowCount(parent); ++r) {
            const QModelIndex index = proxy->index(r, 0, parent);
            out << (proxy->rowCount(index) ? leaves(index) : QStringList{index.data().toString()});
        }
        return out;
    }
    SampleModels *models = nullptr;
    QMainWindow *window = nullptr;
    CmdTreeSwatch *dock = nullptr;
    QAbstractItemModel *proxy = nullptr;
};

QTEST_MAIN(TestCmdTreeSwatch)
#include "tst_cmdtreeswatch.moc"
