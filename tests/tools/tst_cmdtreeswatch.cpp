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
        dock = new CmdTreeSwatch(QStringLiteral("Tree"));
        dock->setTreeModel(models->treeModel.get());
        proxy = dock->treeView->model();
    }
    void cleanup()
    {
        delete dock;
        delete models;
    }
    void filters_data()
    {
        QTest::addColumn<QStringList>("filterShownHidden");
        // Lower-case letters find the upper-case hex of the ADCS packets.
        QTest::newRow("case") << QStringList{"1a-", "1A ADCS (adcs1)", "7 PSW (psw16)"};
        QTest::newRow("telemetry") << QStringList{"^~", "7 PSW (psw16)", "7-380 channels_on"};
    }
    void filters()
    {
        QFETCH(QStringList, filterShownHidden);
        dock->filterEdit->setText(filterShownHidden[0]);
        const QModelIndex shown = row(filterShownHidden[1]);
        QVERIFY(!row(filterShownHidden[2]).isValid());
        QVERIFY(shown.isValid() && dock->treeView->isExpanded(shown)); // a filter opens the tree
        QTest::keyClick(dock, Qt::Key_Escape);
        const QModelIndex device = row(QStringLiteral("7 PSW (psw16)"));
        QVERIFY(dock->filterEdit->text().isEmpty() && !dock->treeView->isExpanded(device) &&
                dock->treeView->isExpanded(device.parent())); // back to depth 2
    }
    void pickingAndSending()
    {
        QSignalSpy picked(models->treeModel.get(), &TreeModel::signalNewCmdPacketEdit);
        QSignalSpy force(dock, &CmdTreeSwatch::signalForce2Que);
        QItemSelectionModel *sel = dock->treeView->selectionModel();
        const QModelIndex device = row(QStringLiteral("7 PSW (psw16)"));
        sel->select(device, QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(dock, Qt::Key_Return);
        QCOMPARE(picked.count() + force.count(), 0);

        sel->select(row(QStringLiteral("7-380 channels_on")), QItemSelectionModel::ClearAndSelect);
        QCOMPARE(picked.count(), 1);
        QCOMPARE(picked.first().first().value<TreeItem *>(), models->node(0x7, 0x380));
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Right, Qt::Key_Left})
            QTest::keyClick(dock, key);
        QCOMPARE(force.count(), 3);
        holdThenTap(dock->treeView, Qt::Key_Return);
        QCOMPARE(force.count(), 5);

        // "The first" of a selection is its topmost row, whatever the order in
        // which the rows were picked.
        const QModelIndex firstPacket = proxy->index(0, 0, device);
        const QModelIndex lastPacket = proxy->index(proxy->rowCount(device) - 1, 0, device);
        QItemSelection reversed(lastPacket, lastPacket);
        reversed.select(firstPacket, firstPacket);
        auto *filter = qobject_cast<TreeProxyModel *>(proxy);
        filter->slotNewCmdPacketEditFromSel(reversed, QItemSelection());
        QCOMPARE(picked.last().first().value<TreeItem *>(),
                 static_cast<TreeItem *>(filter->mapToSource(firstPacket).internalPointer()));

        // A device the map gives no bus address: its packets cannot be commanded.
        models->node(0x7, 0x380)->deviceTag.devAddress = 0;
        sel->clear();
        sel->select(row(QStringLiteral("7-380 channels_on")), QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(dock, Qt::Key_Return);
        QCOMPARE(picked.count(), 2);
        QCOMPARE(force.count(), 5);
    }

private:
    QModelIndex row(const QString &label) const
    {
        return proxy
            ->match(proxy->index(0, 0), Qt::DisplayRole, label, 1,
                    Qt::MatchExactly | Qt::MatchRecursive)
            .value(0);
    }
    SampleModels *models = nullptr;
    CmdTreeSwatch *dock = nullptr;
    QAbstractItemModel *proxy = nullptr;
};

QTEST_MAIN(TestCmdTreeSwatch)
#include "tst_cmdtreeswatch.moc"
