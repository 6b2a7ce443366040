#include "cmdtreeswatch.h"
#include "support_tools.h"
#include "treeproxymodel.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

namespace
{

// Every row the proxy shows, depth first, as (depth, label).
void walk(QAbstractItemModel *model, const QModelIndex &parent, int depth,
          QList<QPair<int, QString>> *out)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        out->append(qMakePair(depth, index.data().toString()));
        walk(model, index, depth + 1, out);
    }
}

QStringList visibleLeaves(QAbstractItemModel *model)
{
    QList<QPair<int, QString>> rows;
    walk(model, QModelIndex(), 0, &rows);
    QStringList leaves;
    for (int i = 0; i < rows.size(); ++i) {
        if (i + 1 == rows.size() || rows.at(i + 1).first <= rows.at(i).first)
            leaves << rows.at(i).second;
    }
    return leaves;
}

QModelIndex findRow(QAbstractItemModel *model, const QString &label,
                    const QModelIndex &parent = QModelIndex())
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data().toString() == label)
            return index;
        const QModelIndex below = findRow(model, label, index);
        if (below.isValid())
            return below;
    }
    return QModelIndex();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QByteArray satellite(const char *name, const QByteArray &devAddressElement)
{
    return QByteArray("<Zedorir><ZedorirName>") + name +
           "</ZedorirName><ZedorirDesc>d</ZedorirDesc><CenterAddr>0x1</CenterAddr>"
           "<System><SysName>EPS</SysName><SysDesc>s</SysDesc><Module><ModName>PD</"
           "ModName><ModDesc>m</ModDesc>"
           "<Device><DevName>PSW</DevName><DevDesc>d</DevDesc>" +
           devAddressElement + "<DevModel>psw16</DevModel></Device></Module></System></Zedorir>";
}

} // namespace

class TestCmdTreeSwatch : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void labelsAndStartState();
    void filters_data();
    void filters();
    void clearingRestoresDepthTwo();
    void pickingAndSending();
    void filterUnknownBox();
    void deviceWithoutAddressAndAllOff();

private:
    SampleModels *models = nullptr;
    QMainWindow *window = nullptr;
    CmdTreeSwatch *dock = nullptr;
};

void TestCmdTreeSwatch::init()
{
    models = new SampleModels;
    window = new QMainWindow;
    dock = new CmdTreeSwatch(QStringLiteral("Tree"), window);
    dock->setTreeModel(models->treeModel.get());
}

void TestCmdTreeSwatch::cleanup()
{
    delete window;
    delete models;
    dock = nullptr;
}

void TestCmdTreeSwatch::labelsAndStartState()
{
    QVERIFY(!dock->actionShow->icon().isNull());   // the resource is linked in
    QVERIFY(!dock->filterUnknownBox->isChecked()); // the model's flag wins

    QAbstractItemModel *proxy = dock->treeView->model();
    QCOMPARE(proxy->index(0, 0).data().toString(), QStringLiteral("Velkaro-1 (Base address 1)"));
    QVERIFY(findRow(proxy, QStringLiteral("7-380 channels_on")).isValid());
    QVERIFY(findRow(proxy, QStringLiteral("~7-480 feeders_state")).isValid());
}

void TestCmdTreeSwatch::filters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("leafPattern"); // every visible leaf matches it
    QTest::addColumn<QString>("shownDevice");
    QTest::addColumn<QString>("hiddenDevice");
    // Lower-case letters find the upper-case hex of the ADCS packets.
    QTest::newRow("case-insensitive")
        << QStringLiteral("1a-") << QStringLiteral("^~?1A-") << QStringLiteral("1A ADCS (adcs1)")
        << QStringLiteral("7 PSW (psw16)");
    QTest::newRow("telemetry only") << QStringLiteral("^~") << QStringLiteral("^~")
                                    << QStringLiteral("7 PSW (psw16)") << QString();
    QTest::newRow("one packet") << QStringLiteral("CHANNELS_ON")
                                << QStringLiteral("^7-380 channels_on$")
                                << QStringLiteral("7 PSW (psw16)")
                                << QStringLiteral("18 PSU (psu8)");
}

void TestCmdTreeSwatch::filters()
{
    QFETCH(QString, filter);
    QFETCH(QString, leafPattern);
    QFETCH(QString, shownDevice);
    QFETCH(QString, hiddenDevice);
    QAbstractItemModel *proxy = dock->treeView->model();

    dock->filterEdit->setText(filter);
    const QStringList leaves = visibleLeaves(proxy);
    QVERIFY(!leaves.isEmpty());
    const QRegularExpression rx(leafPattern);
    for (const QString &leaf : leaves)
        QVERIFY2(rx.match(leaf).hasMatch(), qPrintable(leaf));
    // Inner rows stay for the leaves below them.
    QVERIFY(findRow(proxy, QStringLiteral("Velkaro-1 (Base address 1)")).isValid());
    QVERIFY(findRow(proxy, shownDevice).isValid());
    if (!hiddenDevice.isEmpty())
        QVERIFY(!findRow(proxy, hiddenDevice).isValid());
    // A filter opens the whole tree.
    QVERIFY(dock->treeView->isExpanded(findRow(proxy, shownDevice)));
}

void TestCmdTreeSwatch::clearingRestoresDepthTwo()
{
    QAbstractItemModel *proxy = dock->treeView->model();
    dock->filterEdit->setText(QStringLiteral("("));
    QCOMPARE(proxy->rowCount(), 0); // not an expression: nothing matches

    dock->filterEdit->setText(QStringLiteral("psw"));
    QTest::mouseClick(dock->clearFilterButton, Qt::LeftButton);
    QCOMPARE(dock->filterEdit->text(), QString());
    const QModelIndex device = findRow(proxy, QStringLiteral("7 PSW (psw16)"));
    QVERIFY(device.isValid());
    QVERIFY(dock->treeView->isExpanded(device.parent())); // module, depth 2
    QVERIFY(!dock->treeView->isExpanded(device));

    dock->filterEdit->setText(QStringLiteral("x"));
    QTest::keyClick(dock, Qt::Key_Escape);
    QCOMPARE(dock->filterEdit->text(), QString());
}

void TestCmdTreeSwatch::pickingAndSending()
{
    QAbstractItemModel *proxy = dock->treeView->model();
    QSignalSpy picked(models->treeModel.get(), &TreeModel::signalNewCmdPacketEdit);
    QSignalSpy force(dock, &CmdTreeSwatch::signalForce2Que);
    QItemSelectionModel *sel = dock->treeView->selectionModel();

    sel->select(findRow(proxy, QStringLiteral("7 PSW (psw16)")),
                QItemSelectionModel::ClearAndSelect);
    QCOMPARE(picked.count(), 0);
    QTest::keyClick(dock, Qt::Key_Return);
    QCOMPARE(force.count(), 0);

    sel->select(findRow(proxy, QStringLiteral("7-380 channels_on")),
                QItemSelectionModel::ClearAndSelect);
    QCOMPARE(picked.count(), 1);
    QCOMPARE(picked.first().first().value<TreeItem *>(), models->packetNode(0x7, 0x380));

    QTest::keyClick(dock, Qt::Key_Return);
    QTest::keyClick(dock, Qt::Key_Enter);
    QTest::keyClick(dock, Qt::Key_Right);
    QCOMPARE(force.count(), 3);
    QTest::keyClick(dock, Qt::Key_Left);
    QCOMPARE(force.count(), 3);
    dock->slotItemDoubleClicked();
    QCOMPARE(force.count(), 4);

    // Through a filter the proxy still hands over the tree model's own node.
    dock->filterEdit->setText(QStringLiteral("feeders"));
    sel->select(findRow(proxy, QStringLiteral("~7-480 feeders_state")),
                QItemSelectionModel::ClearAndSelect);
    QCOMPARE(picked.last().first().value<TreeItem *>(), models->packetNode(0x7, 0x480));
}

void TestCmdTreeSwatch::filterUnknownBox()
{
    dock->filterUnknownBox->setChecked(true);
    QVERIFY(models->treeModel->rejectUnknown);
    dock->filterUnknownBox->setChecked(false);
    QVERIFY(!models->treeModel->rejectUnknown);
}

void TestCmdTreeSwatch::deviceWithoutAddressAndAllOff()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString first = dir.filePath(QStringLiteral("a.xml"));
    const QString second = dir.filePath(QStringLiteral("b.xml"));
    QVERIFY(writeFile(first, satellite("Alpha", QByteArray())));
    QVERIFY(writeFile(second, satellite("Beta", "<DevAddress>0x7</DevAddress>")));
    QList<QString> maps{first, second};
    TreeModel tree(&models->dataModel, &maps);
    CmdTreeSwatch twoSats(QStringLiteral("Tree"), window);
    twoSats.setTreeModel(&tree);
    QAbstractItemModel *proxy = twoSats.treeView->model();
    QSignalSpy picked(&tree, &TreeModel::signalNewCmdPacketEdit);
    QSignalSpy force(&twoSats, &CmdTreeSwatch::signalForce2Que);

    // Alpha's device has no bus address: its packets cannot be commanded.
    const QModelIndex alpha = proxy->index(0, 0);
    QCOMPARE(alpha.data().toString(), QStringLiteral("Alpha (Base address 1)"));
    const QModelIndex noAddress = findRow(proxy, QStringLiteral("0-380 channels_on"), alpha);
    QVERIFY(noAddress.isValid());
    twoSats.treeView->selectionModel()->select(noAddress, QItemSelectionModel::ClearAndSelect);
    QCOMPARE(picked.count(), 0);
    QTest::keyClick(&twoSats, Qt::Key_Return);
    QCOMPARE(force.count(), 0);

    twoSats.slotActionAllOff();
    TreeItem *alphaNode = tree.rootItem->child(0);
    TreeItem *betaNode = tree.rootItem->child(1);
    QCOMPARE(alphaNode->isValidRxAddress(), int(Qt::Unchecked));
    QCOMPARE(alphaNode->child(0)->child(0)->child(0)->child(0)->isValidRxAddress(),
             int(Qt::Unchecked));
    QCOMPARE(betaNode->isValidRxAddress(), int(Qt::Checked));
    QVERIFY(!twoSats.treeView->selectionModel()->hasSelection());

    twoSats.slotActionAllOn();
    QCOMPARE(alphaNode->child(0)->child(0)->child(0)->child(0)->isValidRxAddress(),
             int(Qt::Checked));
}

QTEST_MAIN(TestCmdTreeSwatch)
#include "tst_cmdtreeswatch.moc"
