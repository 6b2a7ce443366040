#include "ostreltablerecord.h"
#include "packeteditlayout.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

enum Num { FInt = 1, FUInt, FString, FData, FBit, FFile, FOdd };

const QList<FieldSpec> everyType{
    {OstrelFieldRecord::TypeInt, "f_int", 8, true, "0x10"},
    {OstrelFieldRecord::TypeUInt, "f_uint", 16, false, "5"},
    {OstrelFieldRecord::TypeString, "f_string", 16, true, "abc"},
    {OstrelFieldRecord::TypeData, "f_data", 16, true, "0x01ab"},
    {OstrelFieldRecord::TypeBit, "f_bit", 1, false, "1"},
    {OstrelFieldRecord::TypeFile, "f_file", 0, false, ""},
    {OstrelFieldRecord::FieldType(9), "f_odd", 8, true, "zz"},
};

// A layout over a probe packet, owned by a host widget.
struct Loaded {
    explicit Loaded(const QList<FieldSpec> &fields = everyType) : probe(0, 0x10, 16, fields)
    {
        layout->fromOstrelTreeItem(probe.node);
        host.setLayout(layout);
    }
    template <class T> T *editor(uint num) const
    {
        return qobject_cast<T *>(layout->fieldEditors.value(num));
    }
    QLineEdit *fileEdit() const
    {
        return qobject_cast<QLineEdit *>(editor<QGroupBox>(FFile)->children().value(1));
    }
    HandMadePacket probe;
    QWidget host;
    PacketEditLayout *layout = new PacketEditLayout(-1, -1, -1);
};

} // namespace

class TestPacketEditLayout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qRegisterMetaType<TreeItem *>();
        qRegisterMetaType<QMenu *>();
    }
    void flow_data()
    {
        QTest::addColumn<QList<int>>("widths");
        QTest::addColumn<int>("areaWidth");
        QTest::addColumn<QList<QPoint>>("positions");
        QTest::addColumn<int>("height");
        // Two items of 300 with a gap of 6 need 606 pixels plus the last column.
        QTest::newRow("606 wraps")
            << QList<int>{300, 300} << 606 << QList<QPoint>{{0, 0}, {0, 26}} << 46;
        QTest::newRow("607 fits") << QList<int>{300, 300} << 607 << QList<QPoint>{{0, 0}, {306, 0}}
                                  << 20;
        // Too wide for any line: it wraps, stays, and pushes the next one down.
        QTest::newRow("oversized")
            << QList<int>{100, 500, 100} << 400 << QList<QPoint>{{0, 0}, {0, 26}, {0, 52}} << 72;
        QTest::newRow("oversized first")
            << QList<int>{500, 100} << 400 << QList<QPoint>{{0, 0}, {0, 26}} << 46;
        QTest::newRow("empty") << QList<int>{} << 100 << QList<QPoint>{} << 0;
    }
    void flow()
    {
        QFETCH(QList<int>, widths);
        QFETCH(int, areaWidth);
        QFETCH(QList<QPoint>, positions);
        QFETCH(int, height);
        PacketEditLayout layout(0, 6, 6);
        for (int w : widths)
            layout.addItem(new QSpacerItem(w, 20, QSizePolicy::Fixed, QSizePolicy::Fixed));
        QCOMPARE(layout.heightForWidth(areaWidth), height);
        layout.setGeometry(QRect(0, 0, areaWidth, 200));
        for (int i = 0; i < positions.size(); ++i)
            QCOMPARE(layout.itemAt(i)->geometry().topLeft(), positions.at(i));
        QVERIFY(!layout.itemAt(-1) && !layout.itemAt(widths.size()) &&
                !layout.takeAt(widths.size()));
        QVERIFY(layout.workRecord); // never null, even before anything is loaded
    }
    void rowsByFieldType()
    {
        Loaded l;
        QCOMPARE(l.layout->count(), 7);
        QVERIFY(!l.editor<QLineEdit>(FInt)->isReadOnly());
        QVERIFY(l.editor<QLineEdit>(FUInt)->isReadOnly());
        // Read-only still offers "Add to plot".
        QCOMPARE(l.editor<QLineEdit>(FUInt)->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(l.editor<QTextEdit>(FData)->toPlainText(), QStringLiteral("0x01ab"));
        QCOMPARE(l.editor<QTextEdit>(FOdd)->toPlainText(), QStringLiteral("0x7a7a")); // as data
        QVERIFY(l.editor<QCheckBox>(FBit)->isChecked());
        QVERIFY(l.fileEdit());
        QVERIFY(l.editor<QGroupBox>(FFile)->findChild<QPushButton *>()->isEnabled());

        // Row: name, spacer, editor, description.
        QLayout *row = l.layout->itemAt(0)->layout();
        QCOMPARE(qobject_cast<QLabel *>(row->itemAt(0)->widget())->text(), QStringLiteral("f_int"));
        QCOMPARE(qobject_cast<QLabel *>(row->itemAt(3)->widget())->text(),
                 QStringLiteral("  about f_int\n  (Offset: 0, Len: 8, Type: Integer)"));
    }
    void textEditorsShowOneLine()
    {
        // 25 pixels high: a value only reads when it stays on one line and no
        // scroll bar takes the room.
        Loaded l({{OstrelFieldRecord::TypeData, "blob", 64, true, "0x0123456789abcdef"},
                  {OstrelFieldRecord::TypeString, "name", 64, false, ""}});
        l.host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&l.host));
        for (uint num : {1u, 2u}) {
            auto *edit = l.editor<QTextEdit>(num);
            QCOMPARE(edit->size(), QSize(100, 25));
            QVERIFY(!edit->verticalScrollBar()->isVisible());
            QVERIFY(!edit->horizontalScrollBar()->isVisible());
            QCOMPARE(edit->document()->firstBlock().layout()->lineCount(), 1);
        }
    }
    void writeBack()
    {
        Loaded l;
        OstrelTableRecord *rec = l.layout->workRecord;
        l.layout->updatePacketFields(); // unchanged editors give back what they showed
        QCOMPARE(rec->fieldValues.value(FInt).toInt(), 0x10);
        QCOMPARE(rec->fieldValues.value(FData).toByteArray(), QByteArray::fromHex("01ab"));
        QCOMPARE(rec->fieldValues.value(FBit).toBool(), true);

        l.editor<QLineEdit>(FInt)->setText(QStringLiteral("0x20"));
        l.editor<QTextEdit>(FData)->setPlainText(QStringLiteral("0xc0ffee"));
        l.editor<QTextEdit>(FOdd)->setPlainText(QStringLiteral("changed"));
        l.fileEdit()->setText(QStringLiteral("/tmp/x.bin"));
        const QVariant oddBefore = rec->fieldValues.value(FOdd);
        rec->fieldValues.remove(FString); // no value: skipped
        l.layout->updatePacketFields();
        QCOMPARE(rec->fieldValues.value(FInt).toInt(), 0x20);
        QCOMPARE(rec->fieldValues.value(FData).toByteArray(), QByteArray::fromHex("c0ffee"));
        QCOMPARE(rec->fieldValues.value(FFile).toString(), QStringLiteral("/tmp/x.bin"));
        QCOMPARE(rec->fieldValues.value(FOdd), oddBefore);
        QVERIFY(!rec->fieldValues.contains(FString));

        // Letters in an int field: the fallback is stored and the operator told.
        l.editor<QLineEdit>(FInt)->setText(QStringLiteral("abc"));
        QTest::ignoreMessage(QtCriticalMsg,
                             "\"field f_int has incompatible value (0x10) for type int\"");
        l.layout->updatePacketFields();
        QCOMPARE(rec->fieldValues.value(FInt), QVariant(0));
    }
    void readOnlyBitAndPlotMenu()
    {
        Loaded l;
        l.host.show();
        auto *bit = l.editor<QCheckBox>(FBit);
        QSignalSpy changes(bit, &QCheckBox::stateChanged);
        bit->click();
        bit->click();
        QVERIFY(bit->isChecked());
        QCOMPARE(changes.count(), 2); // each undone silently, without recursing

        QSignalSpy offers(l.layout, &PacketEditLayout::signalAddField2Graph);
        QStringList titles;
        connect(l.layout, &PacketEditLayout::signalAddField2Graph, this, [&titles](QMenu *menu) {
            titles << menu->title();
            menu->addAction(QStringLiteral("rack entry"));
        });
        QTimer::singleShot(0, [] { QApplication::activePopupWidget()->close(); });
        emit bit->customContextMenuRequested(QPoint(1, 1));
        QCOMPARE(offers.count(), 1);
        QCOMPARE(offers.first().at(1).value<TreeItem *>(), l.probe.node);
        QCOMPARE(offers.first().at(2).toUInt(), uint(FBit));
        QCOMPARE(titles, QStringList{"Add to plot"});
        QVERIFY(!l.layout->plotSubmenu); // the menu is gone: no pointer into it

        QLineEdit stranger; // not a field editor: nothing shows
        connect(&stranger, &QWidget::customContextMenuRequested, l.layout,
                &PacketEditLayout::slotHandleContextMenu);
        emit stranger.customContextMenuRequested(QPoint(1, 1));
        QCOMPARE(offers.count(), 1);
    }
    void fileChooser()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("image.bin"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(300, 'x')) == 300);
        f.close();
        Loaded l;
        l.host.show();
        auto *button = l.editor<QGroupBox>(FFile)->findChild<QPushButton *>();
        l.fileEdit()->setText(dir.path());
        // Answers the modal dialog once it is up: picks the file, or cancels.
        auto answer = [](const QString &pick) {
            QTimer::singleShot(0, [pick] {
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QCOMPARE(dialog->windowTitle(), QStringLiteral("File to send"));
                if (pick.isEmpty())
                    return dialog->reject();
                dialog->selectFile(pick);
                static_cast<QDialog *>(dialog)->accept();
            });
        };
        answer(QString());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(l.fileEdit()->text(), dir.path());

        QTest::ignoreMessage(
            QtDebugMsg,
            qPrintable(QStringLiteral("File %1 (size 300) is ready to send").arg(path)));
        answer(path);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(l.fileEdit()->text(), path);
    }
};

QTEST_MAIN(TestPacketEditLayout)
#include "tst_packeteditlayout.moc"
