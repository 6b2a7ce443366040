#include "packeteditlayout.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

enum Num { FInt = 1, FUInt, FString, FData, FBit, FFile, FOdd };

// A type number no description names: the layout must still offer a plain edit.
const auto kNoSuchType = OstrelFieldRecord::FieldType(OstrelFieldRecord::TypeFile + 2);

// A layout over a probe packet, owned by a host widget.
struct Loaded {
    Loaded()
        : probe(0x10, 16,
                {{OstrelFieldRecord::TypeInt, "f_int", 8, true, "0x10"},
                 {OstrelFieldRecord::TypeUInt, "f_uint", 16, false, "5"},
                 {OstrelFieldRecord::TypeString, "f_string", 16, true, "abc"},
                 {OstrelFieldRecord::TypeData, "f_data", 16, true, "0x01ab"},
                 {OstrelFieldRecord::TypeBit, "f_bit", 1, false, "1"},
                 {OstrelFieldRecord::TypeFile, "f_file", 0, false, ""},
                 {kNoSuchType, "f_odd", 8, true, "zz"}})
    {
        layout->fromOstrelTreeItem(probe.node);
        host.setLayout(layout);
    }
    template <class T> T *editor(uint num) const
    {
        return qobject_cast<T *>(layout->fieldEditors.value(num));
    }
    HandMadePacket probe;
    QWidget host;
    PacketEditLayout *layout = new PacketEditLayout(-1, -1, -1);
};

class TestPacketEditLayout : public QObject
{
    Q_OBJECT
private slots:
    void flowWraps()
    {
        PacketEditLayout layout(0, 6, 6);
        for (int w : {500, 300, 300})
            layout.addItem(new QSpacerItem(w, 20, QSizePolicy::Fixed, QSizePolicy::Fixed));
        // 500 + 6 + 300 + 6 + 300 need 1112 pixels plus the last column.
        QCOMPARE(layout.heightForWidth(1113), 20);
        QCOMPARE(layout.heightForWidth(1112), 46);
        // Too wide for any line, the first item stays on the first line.
        QCOMPARE(layout.heightForWidth(400), 72);
        layout.setGeometry(QRect(0, 0, 1112, 200));
        QCOMPARE(layout.itemAt(1)->geometry().topLeft(), QPoint(506, 0));
        QCOMPARE(layout.itemAt(2)->geometry().topLeft(), QPoint(0, 26));
        QVERIFY(!layout.itemAt(-1) && !layout.itemAt(3) && !layout.takeAt(3));
        QVERIFY(layout.workRecord); // never null, even before anything is loaded
    }
    void editorsOfEachType()
    {
        Loaded l;
        QCOMPARE(l.layout->count(), 7);
        QVERIFY(l.editor<QLineEdit>(FUInt)->isReadOnly());
        QCOMPARE(l.editor<QTextEdit>(FData)->toPlainText(), QStringLiteral("0x01ab"));
        QCOMPARE(l.editor<QTextEdit>(FOdd)->toPlainText(), QStringLiteral("0x7a7a")); // as data
        QVERIFY(l.editor<QCheckBox>(FBit)->isChecked());

        OstrelTableRecord *rec = l.layout->workRecord;
        l.editor<QLineEdit>(FInt)->setText(QStringLiteral("0x20"));
        l.editor<QTextEdit>(FData)->setPlainText(QStringLiteral("0xc0ff"));
        l.editor<QTextEdit>(FOdd)->setPlainText(QStringLiteral("changed"));
        const QString file = QCoreApplication::applicationFilePath();
        answerFileDialog(file); // from the field's own chooser
        QTest::mouseClick(l.editor<QGroupBox>(FFile)->findChild<QPushButton *>(), Qt::LeftButton);
        QCOMPARE(l.editor<QGroupBox>(FFile)->findChild<QLineEdit *>("fileName")->text(), file);
        const QVariant oddBefore = rec->fieldValues.value(FOdd);
        QVERIFY(l.layout->updatePacketFields().isEmpty());
        QCOMPARE(rec->fieldValues.value(FInt).toInt(), 0x20);
        QCOMPARE(rec->fieldValues.value(FData).toByteArray(), QByteArray::fromHex("c0ff"));
        QCOMPARE(rec->fieldValues.value(FFile).toString(), file);
        QCOMPARE(rec->fieldValues.value(FOdd), oddBefore);

        l.host.show();
        auto *bit = l.editor<QCheckBox>(FBit);
        QSignalSpy changes(bit, &QCheckBox::stateChanged);
        bit->click();
        bit->click();
        QVERIFY(bit->isChecked());
        QCOMPARE(changes.count(), 2); // each undone silently, without recursing

        QStringList offers;
        connect(l.layout, &PacketEditLayout::signalAddField2Graph, this,
                [&l, &offers](QMenu *menu, TreeItem *item, uint num) {
                    offers << QStringLiteral("%1 %2").arg(menu->title()).arg(num);
                    QCOMPARE(item, l.probe.node);
                });
        QTimer::singleShot(0, [] { QApplication::activePopupWidget()->close(); });
        emit bit->customContextMenuRequested(QPoint(1, 1));
        QCOMPARE(offers, QStringList{"Add to plot 5"});
        QVERIFY(!l.layout->plotSubmenu); // the menu is gone: no pointer into it
    }
};

QTEST_MAIN(TestPacketEditLayout)
#include "tst_packeteditlayout.moc"
