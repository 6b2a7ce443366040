#include "ostrelfieldscolorswatch.h"
#include "packeteditlayout.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

class TestFieldEditor : public QObject
{
    Q_OBJECT
    SampleModels *models = nullptr;
    OstrelTableModel *history = nullptr;
    QMainWindow *window = nullptr;
    OstrelFieldsColorSwatch *dock = nullptr;
    QList<QByteArray> sent;

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
    QString typed(uint num, const QString &text = QString()) const
    {
        QWidget *editor = dock->layout->fieldEditors.value(num);
        if (auto *edit = qobject_cast<QTextEdit *>(editor))
            return text.isNull() ? edit->toPlainText() : (edit->setPlainText(text), text);
        auto *edit = qobject_cast<QLineEdit *>(editor);
        edit = edit ? edit : editor->findChild<QLineEdit *>(); // a file field's box
        return text.isNull() ? edit->text() : (edit->setText(text), text);
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

    void headerAndTelemetry()
    {
        QTest::keyClick(dock, Qt::Key_Return); // nothing loaded yet: nothing sent
        TreeItem *node = models->node(0x7, 0x380);
        dock->slotUpdateFromTreeItem(node);
        dock->slotUpdateFromTreeItem(node->parentItem()); // no packet: nothing changes
        QTest::keyClick(dock, Qt::Key_Return);            // nobody takes it: the dock frees it
        QCOMPARE(dock->currentRecord->message.msg_id, quint16(0x380));

        listen();
        dock->firstAddressEdit->setText(QStringLiteral("31"));
        QTest::keyClick(dock, Qt::Key_Enter);
        // dst 31, src 1, the loaded id
        QCOMPARE(sent, QList<QByteArray>{QByteArray::fromHex("800301001f00040001000000")});

        // Telemetry is never sent, whether from the tree or from a received
        // record, whose sender shows where a reply would go.
        dock->slotUpdateFromTreeItem(models->node(0x7, 0x480));
        QTest::keyClick(dock, Qt::Key_Return);
        receive(history);
        dock->slotUpdateFromTableRecord(history->itemAtRow(history->rowCount() - 1));
        QCOMPARE(dock->firstAddressEdit->text() + " " + dock->secondAddressEdit->text(),
                 QStringLiteral("0X7 0X1"));
        QTest::keyClick(dock, Qt::Key_Return);
        QCOMPARE(sent.size(), 1);
        history->slotClearTable();
        settle();
        QCOMPARE(dock->currentRecord->message.msg_id, quint16(0x480)); // its own copy
    }

    void addressBoxes_data()
    {
        QTest::addColumn<QString>("base");      // as typed into "Base station address"
        QTest::addColumn<QString>("device");    // and into "Device address"
        QTest::addColumn<QString>("mask");      // into the field; null: left as loaded
        QTest::addColumn<QByteArray>("header"); // msg id, src, dst; empty: refused
        QTest::addColumn<QString>("shown");     // History's receiver and sender
        QTest::addColumn<QStringList>("errors");
        const QString bad = QStringLiteral("%1 address has incompatible value (%2) for an "
                                           "address (0..0xFFFF)");
        const QString base = QStringLiteral("Base station"), device = QStringLiteral("Device");
        const QByteArray no;
        QTest::newRow("as the editor fills them")
            << "0X1"
            << "0X7" << QString() << QByteArray::fromHex("800301000700") << "0X7 0X1"
            << QStringList();
        QTest::newRow("decimal, 0x and the top")
            << "65535"
            << " 0x21 " << QString() << QByteArray::fromHex("8003ffff2100") << "0X21 0XFFFF"
            << QStringList();
        QTest::newRow("letters") << "zz"
                                 << "0X7" << QString() << no << QString()
                                 << QStringList{bad.arg(base, "zz")};
        QTest::newRow("empty") << "0X1"
                               << "" << QString() << no << QString()
                               << QStringList{bad.arg(device, "")};
        QTest::newRow("wider than the header")
            << "0X1"
            << "0x10021" << QString() << no << QString() << QStringList{bad.arg(device, "0x10021")};
        QTest::newRow("base 0x1FFFF, negative device")
            << "0x1FFFF"
            << "-1" << QString() << no << QString()
            << QStringList{bad.arg(base, "0x1FFFF"), bad.arg(device, "-1")};
        QTest::newRow("a box and a field")
            << "0X1"
            << "0XG"
            << "abc" << no << QString()
            << QStringList{bad.arg(device, "0XG"),
                           "field mask has incompatible value (abc) for type uint"};
    }
    void addressBoxes()
    {
        QFETCH(QString, base);
        QFETCH(QString, device);
        QFETCH(QString, mask);
        QFETCH(QByteArray, header);
        QFETCH(QString, shown);
        QFETCH(QStringList, errors);
        showActive();
        listen();
        dock->slotUpdateFromTreeItem(models->node(0x7, 0x380));
        // Typed by hand, after the text the editor filled in is cleared.
        for (auto box : {std::make_pair(dock->secondAddressEdit, base),
                         std::make_pair(dock->firstAddressEdit, device)}) {
            box.first->selectAll();
            QTest::keyClick(box.first, Qt::Key_Delete);
            QTest::keyClicks(box.first, box.second);
        }
        if (!mask.isNull())
            typed(1, mask);
        MessageLog log;
        QTest::keyClick(dock, Qt::Key_Return);
        QCOMPARE(log.seen, errors);
        if (header.isEmpty()) {
            QVERIFY(sent.isEmpty());
            QCOMPARE(history->rowCount(), 0);
            QCOMPARE(dock->secondAddressEdit->text() + "|" + dock->firstAddressEdit->text(),
                     base + "|" + device);
            QLineEdit *first = errors.first().startsWith("Base") ? dock->secondAddressEdit
                                                                 : dock->firstAddressEdit;
            QTRY_COMPARE(QApplication::focusWidget(), first);
            return;
        }
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().left(6), header);
        // History shows the addresses that went out.
        QCOMPARE(history->index(0, OstrelTableModel::ColReceiver).data().toString() + " " +
                     history->index(0, OstrelTableModel::ColSender).data().toString(),
                 shown);
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
        QTest::newRow("-1 in 40 bits")
            << int(F::TypeInt) << 40 << "-1" << no << "int (40 bits: 0..4294967295)";
        QTest::newRow("0xFF unsigned 8 bits")
            << int(F::TypeUInt) << 8 << "0xFF" << QByteArray::fromHex("ff") << "";
        QTest::newRow("-1 unsigned 8 bits")
            << int(F::TypeUInt) << 8 << "-1" << QByteArray::fromHex("ff") << "";
        QTest::newRow("float 1.5e3")
            << int(F::TypeFloat) << 32 << "1.5e3" << QByteArray::fromHex("0080bb44") << "";
        QTest::newRow("float beyond range") << int(F::TypeFloat) << 32 << "1e39" << no << "float";
        QTest::newRow("data, no leading 00")
            << int(F::TypeData) << 16 << "0x01ab" << QByteArray::fromHex("01ab") << "";
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
        typed(2, text);
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
        QCOMPARE(log.seen, QStringList{QStringLiteral("field b has incompatible value (%1) "
                                                      "for type %2")
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
        typed(1, "zz");
        typed(2, "300");
        dock->layout->fieldEditors.value(2)->setFocus();
        MessageLog log;
        dock->slotPrepareCmd2Que();
        QCOMPARE(log.seen.size(), 2);
        QTRY_COMPARE(QApplication::focusWidget(), dock->layout->fieldEditors.value(1));
        QVERIFY(sent.isEmpty());
    }
    void returnInAFieldSendsEachPress()
    {
        // The first send rebuilds the editor that has the focus: the next
        // Return must still reach the dock. A held one sends once.
        showActive();
        int count = 0;
        connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, this, [&count] { ++count; });
        dock->slotUpdateFromTreeItem(models->node(0x7, 0x380));
        dock->layout->fieldEditors.value(1)->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), dock->layout->fieldEditors.value(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), dock->layout->fieldEditors.value(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        holdThenTap(nullptr, Qt::Key_Return);
        QCOMPARE(count, 4);
    }
};

QTEST_MAIN(TestFieldEditor)
#include "tst_ostrelfieldscolorswatch.moc"
