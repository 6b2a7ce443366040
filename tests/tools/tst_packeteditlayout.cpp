#include "ostreltablerecord.h"
#include "packeteditlayout.h"
#include "support_tools.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpacerItem>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

namespace
{

enum Num { FInt = 1, FUInt, FString, FData, FBit, FFile, FOdd };

QList<FieldSpec> everyType()
{
    return {
        {OstrelFieldRecord::TypeInt, "f_int", 8, true, "0x10"},
        {OstrelFieldRecord::TypeUInt, "f_uint", 16, false, "5"},
        {OstrelFieldRecord::TypeString, "f_string", 16, true, "abc"},
        {OstrelFieldRecord::TypeData, "f_data", 16, true, "0x01ab"},
        {OstrelFieldRecord::TypeBit, "f_bit", 1, false, "1"},
        {OstrelFieldRecord::TypeFile, "f_file", 0, false, ""},
        {OstrelFieldRecord::FieldType(9), "f_odd", 8, true, "zz"},
    };
}

QSpacerItem *block(int w, int h)
{
    return new QSpacerItem(w, h, QSizePolicy::Fixed, QSizePolicy::Fixed);
}

} // namespace

class TestPacketEditLayout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void flow_data();
    void flow();
    void emptyLayout();
    void rowsByFieldType();
    void textEditorsShowOneLine();
    void writeBack();
    void readOnlyBitUndoesOnce();
    void plotMenuOffer();
    void fileChooser();
};

void TestPacketEditLayout::initTestCase()
{
    qRegisterMetaType<QMenu *>();
    qRegisterMetaType<TreeItem *>();
}

void TestPacketEditLayout::flow_data()
{
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<int>("areaWidth");
    QTest::addColumn<QList<QPoint>>("positions");
    QTest::addColumn<int>("height");
    // Two rows of 300 with a gap of 6 need 606 pixels plus the last column.
    QTest::newRow("606 wraps") << QList<int>{300, 300} << 606 << QList<QPoint>{{0, 0}, {0, 26}}
                               << 46;
    QTest::newRow("607 fits") << QList<int>{300, 300} << 607 << QList<QPoint>{{0, 0}, {306, 0}}
                              << 20;
    // Too wide for any line: it wraps first, stays, and pushes the next down.
    QTest::newRow("oversized") << QList<int>{100, 500, 100} << 400
                               << QList<QPoint>{{0, 0}, {0, 26}, {0, 52}} << 72;
    QTest::newRow("oversized first")
        << QList<int>{500, 100} << 400 << QList<QPoint>{{0, 0}, {0, 26}} << 46;
}

void TestPacketEditLayout::flow()
{
    QFETCH(QList<int>, widths);
    QFETCH(int, areaWidth);
    QFETCH(QList<QPoint>, positions);
    QFETCH(int, height);
    PacketEditLayout layout(0, 6, 6);
    for (int w : widths)
        layout.addItem(block(w, 20));
    QCOMPARE(layout.count(), widths.size());
    QCOMPARE(layout.heightForWidth(areaWidth), height);
    layout.setGeometry(QRect(0, 0, areaWidth, 200));
    for (int i = 0; i < positions.size(); ++i)
        QCOMPARE(layout.itemAt(i)->geometry().topLeft(), positions.at(i));
    QVERIFY(!layout.itemAt(-1));
    QVERIFY(!layout.itemAt(widths.size()));
    QVERIFY(!layout.takeAt(widths.size()));
}

void TestPacketEditLayout::emptyLayout()
{
    PacketEditLayout layout(5, 6, 6);
    QCOMPARE(layout.minimumSize(), QSize(9, 9));
    QCOMPARE(layout.heightForWidth(100), 10);
    QVERIFY(layout.workRecord); // never null, even before anything is loaded
}

void TestPacketEditLayout::rowsByFieldType()
{
    HandMadePacket probe(0, 0x10, 8, everyType());
    QWidget host;
    auto *layout = new PacketEditLayout(-1, -1, -1);
    layout->fromOstrelTreeItem(probe.node);
    host.setLayout(layout);
    QCOMPARE(layout->sourceItem, probe.node);
    QCOMPARE(layout->count(), 7);
    QCOMPARE(layout->fieldEditors.keys(), (QList<uint>{1, 2, 3, 4, 5, 6, 7}));

    auto *intEdit = qobject_cast<QLineEdit *>(layout->fieldEditors.value(FInt));
    QVERIFY(intEdit);
    QCOMPARE(intEdit->text(), QStringLiteral("0x10"));
    QVERIFY(!intEdit->isReadOnly());
    auto *uintEdit = qobject_cast<QLineEdit *>(layout->fieldEditors.value(FUInt));
    QVERIFY(uintEdit && uintEdit->isReadOnly());
    QCOMPARE(uintEdit->contextMenuPolicy(), Qt::CustomContextMenu); // still offers "Add to plot"

    auto *dataEdit = qobject_cast<QTextEdit *>(layout->fieldEditors.value(FData));
    QVERIFY(dataEdit && dataEdit->isEnabled());
    QCOMPARE(dataEdit->toPlainText(), QStringLiteral("0x01ab"));
    auto *oddEdit = qobject_cast<QTextEdit *>(layout->fieldEditors.value(FOdd));
    QVERIFY(oddEdit);
    QCOMPARE(oddEdit->toPlainText(), QStringLiteral("0x7a7a")); // unknown types print as data

    auto *bit = qobject_cast<QCheckBox *>(layout->fieldEditors.value(FBit));
    QVERIFY(bit && bit->isChecked() && bit->text().isEmpty());

    auto *fileBox = qobject_cast<QGroupBox *>(layout->fieldEditors.value(FFile));
    QVERIFY(fileBox);
    QVERIFY(qobject_cast<QLineEdit *>(fileBox->children().value(1)));
    auto *fileButton = fileBox->findChild<QPushButton *>();
    QVERIFY(fileButton && fileButton->isEnabled()); // usable though not editable

    // Row: name, spacer, editor, description.
    QLayout *row = layout->itemAt(0)->layout();
    QVERIFY(row);
    QCOMPARE(row->count(), 4);
    QCOMPARE(qobject_cast<QLabel *>(row->itemAt(0)->widget())->text(), QStringLiteral("f_int"));
    QVERIFY(row->itemAt(1)->spacerItem());
    QCOMPARE(row->itemAt(2)->widget(), intEdit);
    QCOMPARE(qobject_cast<QLabel *>(row->itemAt(3)->widget())->text(),
             QStringLiteral("  about f_int\n  (Offset: 0, Len: 8, Type: Integer)"));
}

void TestPacketEditLayout::textEditorsShowOneLine()
{
    // In a box 25 pixels high a value only reads when it stays on one line
    // and no scroll bar takes the room (or looks like a spin box).
    HandMadePacket probe(0, 0x10, 16,
                         {{OstrelFieldRecord::TypeData, "blob", 64, true, "0x0123456789abcdef"},
                          {OstrelFieldRecord::TypeString, "name", 64, false, ""}});
    QWidget host;
    auto *layout = new PacketEditLayout(-1, -1, -1);
    layout->fromOstrelTreeItem(probe.node);
    host.setLayout(layout);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    for (uint num : {1u, 2u}) {
        auto *edit = qobject_cast<QTextEdit *>(layout->fieldEditors.value(num));
        QVERIFY(edit);
        QCOMPARE(edit->size(), QSize(100, 25));
        QVERIFY(!edit->verticalScrollBar()->isVisible());
        QVERIFY(!edit->horizontalScrollBar()->isVisible());
        QCOMPARE(edit->document()->firstBlock().layout()->lineCount(), 1);
    }
    auto *blob = qobject_cast<QTextEdit *>(layout->fieldEditors.value(1));
    QCOMPARE(blob->toPlainText(), QStringLiteral("0x0123456789abcdef"));
}

void TestPacketEditLayout::writeBack()
{
    HandMadePacket probe(0, 0x10, 8, everyType());
    QWidget host;
    auto *layout = new PacketEditLayout(-1, -1, -1);
    layout->fromOstrelTreeItem(probe.node);
    host.setLayout(layout);
    OstrelTableRecord *rec = layout->workRecord;

    // Unchanged editors give back exactly what they showed.
    layout->updatePacketFields();
    QCOMPARE(rec->fieldValues.value(FInt).toInt(), 0x10);
    QCOMPARE(rec->fieldValues.value(FData).toByteArray(), QByteArray::fromHex("01ab"));
    QCOMPARE(rec->fieldValues.value(FBit).toBool(), true);

    qobject_cast<QLineEdit *>(layout->fieldEditors.value(FInt))->setText(QStringLiteral("0x20"));
    qobject_cast<QTextEdit *>(layout->fieldEditors.value(FData))
        ->setPlainText(QStringLiteral("0xc0ffee"));
    qobject_cast<QTextEdit *>(layout->fieldEditors.value(FOdd))
        ->setPlainText(QStringLiteral("changed"));
    auto *fileBox = qobject_cast<QGroupBox *>(layout->fieldEditors.value(FFile));
    qobject_cast<QLineEdit *>(fileBox->children().value(1))->setText(QStringLiteral("/tmp/x.bin"));
    const QVariant oddBefore = rec->fieldValues.value(FOdd);
    rec->fieldValues.remove(FString); // no value: the field is skipped
    {
        MessageCatcher catcher;
        layout->updatePacketFields();
        QVERIFY(catcher.lines.isEmpty());
    }
    QCOMPARE(rec->fieldValues.value(FInt).toInt(), 0x20);
    QCOMPARE(rec->fieldValues.value(FData).toByteArray(), QByteArray::fromHex("c0ffee"));
    QCOMPARE(rec->fieldValues.value(FFile).toString(), QStringLiteral("/tmp/x.bin"));
    QCOMPARE(rec->fieldValues.value(FOdd), oddBefore);
    QVERIFY(!rec->fieldValues.contains(FString));

    // Letters in an int field: the fallback is stored and the operator told.
    qobject_cast<QLineEdit *>(layout->fieldEditors.value(FInt))->setText(QStringLiteral("abc"));
    MessageCatcher catcher;
    layout->updatePacketFields();
    QCOMPARE(rec->fieldValues.value(FInt), QVariant(0));
    QCOMPARE(catcher.lines,
             QStringList{QStringLiteral(
                 "critical: \"field f_int has incompatible value (0x10) for type int\"")});
}

void TestPacketEditLayout::readOnlyBitUndoesOnce()
{
    HandMadePacket probe(0, 0x10, 8, everyType());
    QWidget host;
    auto *layout = new PacketEditLayout(-1, -1, -1);
    layout->fromOstrelTreeItem(probe.node);
    host.setLayout(layout);
    auto *bit = qobject_cast<QCheckBox *>(layout->fieldEditors.value(FBit));
    QSignalSpy changes(bit, &QCheckBox::stateChanged);
    bit->click();
    QVERIFY(bit->isChecked());
    QCOMPARE(changes.count(), 1); // the operator's change, undone silently
    bit->click();
    QVERIFY(bit->isChecked());
}

void TestPacketEditLayout::plotMenuOffer()
{
    HandMadePacket probe(0, 0x10, 8, everyType());
    QWidget host;
    auto *layout = new PacketEditLayout(-1, -1, -1);
    layout->fromOstrelTreeItem(probe.node);
    host.setLayout(layout);
    host.show();
    QSignalSpy offers(layout, &PacketEditLayout::signalAddField2Graph);
    QStringList titles;
    connect(layout, &PacketEditLayout::signalAddField2Graph, this, [&titles](QMenu *menu) {
        titles << menu->title();
        menu->addAction(QStringLiteral("rack entry"));
    });
    auto closePopup = [] {
        QTimer::singleShot(0, [] {
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
        });
    };

    auto *bit = layout->fieldEditors.value(FBit);
    closePopup();
    emit bit->customContextMenuRequested(QPoint(1, 1));
    QCOMPARE(offers.count(), 1);
    QCOMPARE(offers.first().at(1).value<TreeItem *>(), probe.node);
    QCOMPARE(offers.first().at(2).toUInt(), uint(FBit));
    QCOMPARE(titles, QStringList{QStringLiteral("Add to plot")});
    QVERIFY(!layout->plotSubmenu);

    // A request from a widget that is not a field editor shows nothing.
    QLineEdit stranger;
    connect(&stranger, &QWidget::customContextMenuRequested, layout,
            &PacketEditLayout::slotHandleContextMenu);
    emit stranger.customContextMenuRequested(QPoint(1, 1));
    QCOMPARE(offers.count(), 1);
}

void TestPacketEditLayout::fileChooser()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("image.bin"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(300, 'x'));
    }
    HandMadePacket probe(0, 0x10, 8, everyType());
    QWidget host;
    auto *layout = new PacketEditLayout(-1, -1, -1);
    layout->fromOstrelTreeItem(probe.node);
    host.setLayout(layout);
    host.show();
    auto *fileBox = qobject_cast<QGroupBox *>(layout->fieldEditors.value(FFile));
    auto *edit = qobject_cast<QLineEdit *>(fileBox->children().value(1));
    auto *button = fileBox->findChild<QPushButton *>();
    edit->setText(dir.path());

    // Answer the modal dialog once it is up: pick the file, or cancel.
    auto answer = [](const QString &pick) {
        QTimer::singleShot(0, [pick] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("File to send"));
            if (pick.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(pick);
                static_cast<QDialog *>(dialog)->accept();
            }
        });
    };

    answer(QString());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(edit->text(), dir.path());

    MessageCatcher catcher;
    answer(path);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(edit->text(), path);
    // (The platform plugin adds warnings of its own.)
    QVERIFY2(catcher.lines.contains(
                 QStringLiteral("debug: File %1 (size 300) is ready to send").arg(path)),
             qPrintable(catcher.lines.join(QLatin1Char('|'))));
    QVERIFY(!catcher.contains(QStringLiteral("critical")));
}

QTEST_MAIN(TestPacketEditLayout)
#include "tst_packeteditlayout.moc"
