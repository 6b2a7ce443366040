#include "cmdtreeswatch.h"
#include "ostrelfieldscolorswatch.h"
#include "ostrelhexswatch.h"
#include "ostrelhistoryswatch.h"
#include "ostreltablerecord.h"
#include "packeteditlayout.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

static const QByteArray powerOn = QByteArray::fromHex("800301000700040001000000");

class TestFieldEditor : public QObject
{
    Q_OBJECT
    SampleModels *models = nullptr;
    OstrelTableModel *history = nullptr;
    QMainWindow *window = nullptr;
    OstrelFieldsColorSwatch *dock = nullptr;
    QList<QByteArray> sent;

    QLineEdit *fieldEdit(uint num) const
    {
        return qobject_cast<QLineEdit *>(dock->layout->fieldEditors.value(num));
    }
    QStringList header() const
    {
        return {dock->firstLabel->text(),      dock->firstAddressEdit->text(),
                dock->secondLabel->text(),     dock->secondAddressEdit->text(),
                dock->msgIdEdit->text(),       dock->headerGroup->title(),
                dock->descriptionLabel->text()};
    }
    // Reads what is handed over during the emission, while it is still valid.
    void listen()
    {
        connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, history,
                &OstrelTableModel::slotInsertFromQue);
        dock->setCommandTaken(true);
        connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, this,
                [this](OstrelTableRecord *rec) {
                    QVERIFY(rec->status == OstrelTableRecord::Ready &&
                            rec->direction == OstrelTableRecord::Out);
                    sent << payloadOf(rec->message);
                });
    }
    // The text of a field's editor; with `text`, typed into it first.
    QString typed(uint num, const QString *text = nullptr) const
    {
        QWidget *editor = dock->layout->fieldEditors.value(num);
        if (auto *box = qobject_cast<QGroupBox *>(editor))
            editor = box->findChild<QLineEdit *>();
        if (auto *edit = qobject_cast<QTextEdit *>(editor)) {
            if (text)
                edit->setPlainText(*text);
            return edit->toPlainText();
        }
        auto *edit = qobject_cast<QLineEdit *>(editor);
        if (text)
            edit->setText(*text);
        return edit->text();
    }
    void showActive()
    {
        window->addDockWidget(Qt::RightDockWidgetArea, dock);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    static void settle()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

private slots:
    void init()
    {
        models = new SampleModels;
        history = new OstrelTableModel(models->treeModel.get());
        window = new QMainWindow;
        dock = new OstrelFieldsColorSwatch(QStringLiteral("Fields"), window);
    }
    void cleanup()
    {
        delete window;
        settle();
        delete history;
        sent.clear();
        delete models;
    }

    void headerAddressesAndTelemetry()
    {
        QTest::keyClick(dock, Qt::Key_Return); // nothing loaded yet: nothing sent
        QVERIFY(!dock->currentRecord);
        TreeItem *node = models->node(0x7, 0x380);
        dock->slotUpdateFromTreeItem(node);
        dock->slotUpdateFromTreeItem(node->parentItem()); // no packet: nothing changes
        QCOMPARE(header(),
                 (QStringList{"Device address", "0X7", "Base station address", "0X1", "0X380",
                              "7-380 channels_on", "Switch the channels of the mask on"}));
        QTest::keyClick(dock, Qt::Key_Return); // nobody takes it: the dock frees it
        QCOMPARE(dock->currentRecord->message.msg_id, quint16(0x380));

        listen();
        dock->firstAddressEdit->setText(QStringLiteral("31"));
        dock->secondAddressEdit->setText(QStringLiteral("zz"));
        QTest::keyClick(dock, Qt::Key_Enter);
        // dst 31, src 0 (text that does not read), the loaded id
        QCOMPARE(sent, QList<QByteArray>{QByteArray::fromHex("800300001f00040001000000")});
        QCOMPARE(header().mid(0, 4),
                 (QStringList{"Destination address", "0X1F", "Source address", "0X0"}));

        // Telemetry is never sent, whether from the tree or from a received
        // record, whose sender shows where a reply would go.
        dock->slotUpdateFromTreeItem(models->node(0x7, 0x480));
        QTest::keyClick(dock, Qt::Key_Return);
        receive(history);
        dock->slotUpdateFromTableRecord(history->itemAtRow(history->rowCount() - 1));
        QCOMPARE(header().mid(0, 5),
                 (QStringList{"Destination address", "0X7", "Source address", "0X1", "0X480"}));
        QTest::keyClick(dock, Qt::Key_Return);
        QCOMPARE(sent.size(), 1);
        history->slotClearTable();
        settle();
        QCOMPARE(dock->currentRecord->message.msg_id, quint16(0x480)); // its own copy
    }

    void dataFieldRoundTripsWithHistoryOff()
    {
        // "0x01ab" goes out as 01 ab, without a leading 00, and again from the
        // copy the dock keeps once the history has dropped the record.
        HandMadePacket probe(0x42, 3,
                             {{OstrelFieldRecord::TypeUInt, "n", 8, true, "7"},
                              {OstrelFieldRecord::TypeData, "blob", 16, true, "0x01ab"}});
        history->slotEnableHistory(false);
        listen();
        dock->slotUpdateFromTreeItem(probe.node);
        QTest::keyClick(dock, Qt::Key_Return);
        settle();
        QTest::keyClick(dock, Qt::Key_Return);
        const QByteArray bytes = QByteArray::fromHex("420001002a0003000701ab");
        QCOMPARE(sent, (QList<QByteArray>{bytes, bytes}));
        QCOMPARE(history->recordCountGet(), 0u);
    }

    void valueSentOnlyAsTyped_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("bitLen");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("data");  // after field a's 07; empty: refused
        QTest::addColumn<QString>("typeText"); // in the message when refused
        using F = OstrelFieldRecord;
        const QByteArray no;
        QTest::newRow("letters in int") << int(F::TypeInt) << 8 << "abc" << no << "int";
        QTest::newRow("300 in 8 bits")
            << int(F::TypeUInt) << 8 << "300" << no << "uint (8 bits: -128..255)";
        QTest::newRow("-129 in 8 bits")
            << int(F::TypeInt) << 8 << "-129" << no << "int (8 bits: -128..255)";
        QTest::newRow("65536 in 16 bits")
            << int(F::TypeUInt) << 16 << "65536" << no << "uint (16 bits: -32768..65535)";
        QTest::newRow("-1 in 40 bits")
            << int(F::TypeInt) << 40 << "-1" << no << "int (40 bits: 0..4294967295)";
        QTest::newRow("0xFF unsigned 8 bits")
            << int(F::TypeUInt) << 8 << "0xFF" << QByteArray::fromHex("ff") << "";
        QTest::newRow("-1 unsigned 8 bits")
            << int(F::TypeUInt) << 8 << "-1" << QByteArray::fromHex("ff") << "";
        QTest::newRow("0xFFFFFFFF int 32 bits")
            << int(F::TypeInt) << 32 << "0xFFFFFFFF" << QByteArray::fromHex("ffffffff") << "";
        QTest::newRow("float 1.5e3")
            << int(F::TypeFloat) << 32 << "1.5e3" << QByteArray::fromHex("0080bb44") << "";
        QTest::newRow("float beyond range") << int(F::TypeFloat) << 32 << "1e39" << no << "float";
        QTest::newRow("data spaced")
            << int(F::TypeData) << 16 << "01 ab" << QByteArray::fromHex("01ab") << "";
        QTest::newRow("data odd digits") << int(F::TypeData) << 16 << "0xabc" << no << "data";
        QTest::newRow("data too long")
            << int(F::TypeData) << 16 << "0xc0ffee" << no << "data (16 bits: at most 2 bytes)";
        QTest::newRow("file missing")
            << int(F::TypeFile) << 0 << "/nonexistent/x.bin" << no << "file";
    }
    void valueSentOnlyAsTyped()
    {
        QFETCH(int, type);
        QFETCH(int, bitLen);
        QFETCH(QString, text);
        QFETCH(QByteArray, data);
        QFETCH(QString, typeText);
        HandMadePacket probe(0x42, 1 + (bitLen + 7) / 8,
                             {{OstrelFieldRecord::TypeUInt, "a", 8, true, "7"},
                              {OstrelFieldRecord::FieldType(type), "b", bitLen, true, "0"}});
        showActive();
        listen();
        dock->slotUpdateFromTreeItem(probe.node);
        typed(2, &text);
        MessageLog log;
        QTest::keyClick(dock, Qt::Key_Return);
        if (!data.isEmpty()) {
            QCOMPARE(sent.size(), 1);
            QCOMPARE(sent.first().mid(8), QByteArray::fromHex("07") + data);
            QVERIFY(log.seen.isEmpty());
            return;
        }
        QVERIFY(sent.isEmpty());
        QCOMPARE(history->rowCount(), 0);
        QCOMPARE(log.seen, QStringList{QStringLiteral("\"field b has incompatible value (%1) "
                                                      "for type %2\"")
                                           .arg(text, typeText)});
        QCOMPARE(typed(2), text);
        QWidget *b = dock->layout->fieldEditors.value(2);
        QTRY_VERIFY(QApplication::focusWidget() == b ||
                    b->isAncestorOf(QApplication::focusWidget()));
    }
    void firstRefusedFieldTakesFocus()
    {
        HandMadePacket probe(0x42, 2,
                             {{OstrelFieldRecord::TypeUInt, "a", 8, true, "7"},
                              {OstrelFieldRecord::TypeInt, "b", 8, true, "0"}});
        showActive();
        listen();
        dock->slotUpdateFromTreeItem(probe.node);
        const QString zz = QStringLiteral("zz"), big = QStringLiteral("300");
        typed(1, &zz);
        typed(2, &big);
        dock->layout->fieldEditors.value(2)->setFocus();
        MessageLog log;
        dock->slotPrepareCmd2Que();
        QCOMPARE(log.seen.size(), 2);
        QTRY_COMPARE(QApplication::focusWidget(), dock->layout->fieldEditors.value(1));
        QVERIFY(sent.isEmpty());

        const QString fixed = QStringLiteral("5"), minusOne = QStringLiteral("-1");
        typed(1, &fixed);
        typed(2, &minusOne);
        dock->slotPrepareCmd2Que();
        QCOMPARE(sent, QList<QByteArray>{QByteArray::fromHex("420001002a00020005ff")});
        QCOMPARE(history->rowCount(), 1);
    }
};

QTEST_MAIN(TestFieldEditor)
#include "tst_ostrelfieldscolorswatch.moc"
