#include "dvncommandbutton.h"
#include "dvncustomplot.h"
#include "dvnfieldview.h"
#include "instrumentrackswatch.h"
#include "ostreltablemodel.h"
#include "support_rack.h"

#include <QtTest>
#include <QtWidgets>

namespace
{
QDialog *openAddPlotDialog(InstrumentRackSwatch &rack)
{
    rack.slotAddCustomPlot();
    return rack.findChild<QDialog *>(QStringLiteral("addPlotDialog"));
}

void click(QDialog *dialog, const char *button)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// "P700" a press at event time 700 ms, "R700" a release, "A700" a press
// flagged as auto-repeat.
void sendKey(QWidget *w, int key, const QString &e)
{
    QKeyEvent event(e.startsWith('R') ? QEvent::KeyRelease : QEvent::KeyPress, key, Qt::NoModifier,
                    QString(QChar(key)), e.startsWith('A'));
    event.setTimestamp(e.mid(1).toULong());
    QCoreApplication::sendEvent(w, &event);
}

// Opens the instrument's context menu and chooses its last entry.
void removeThroughMenu(QWidget *instrument)
{
    onNextModal([](QWidget *w) {
        QAction *last = w->actions().value(w->actions().size() - 1);
        w->close();
        if (last)
            last->trigger();
    });
    emit instrument->customContextMenuRequested(QPoint(5, 5));
}
} // namespace

class TestInstrumentRack : public QObject
{
    Q_OBJECT
    RackSamples samples;
    OstrelTableModel history{nullptr};
    InstrumentRackSwatch owner{QStringLiteral("R")}; // of the buttons made alone

private slots:
    void initTestCase()
    {
        qRegisterMetaType<OstrelTableRecord *>();
        owner.setHistoryModel(&history);
    }

    void addPlotDialog()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.show();
        // Enter after typing a title makes the plot, as "Ok" does.
        QDialog *dialog = openAddPlotDialog(rack);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        auto *title = dialog->findChild<QLineEdit *>(QStringLiteral("titleEdit"));
        title->setFocus();
        QTest::keyClick(title, Qt::Key_Return);
        auto *plot = qobject_cast<DvnCustomPlot *>(rack.plots.value(0));
        QVERIFY(plot);
        QCOMPARE(plot->objectName(), QStringLiteral("Values plot"));
        QCOMPARE(plot->plotSettings.maxPoints, 3000.0);
        QSignalSpy replotted(plot, &QCustomPlot::afterReplot);
        QVERIFY(replotted.wait(1000)); // the tick redraws

        // "Store points" read as a C number; every dialog is deleted once closed.
        dialog = openAddPlotDialog(rack);
        dialog->findChild<QLineEdit *>(QStringLiteral("storePointsEdit"))->setText("0x10");
        click(dialog, "okButton");
        flushDeletes();
        QCOMPARE(qobject_cast<DvnCustomPlot *>(rack.plots.last())->plotSettings.maxPoints, 16.0);
        click(openAddPlotDialog(rack), "cancelButton");
        flushDeletes();
        QCOMPARE(rack.findChildren<QDialog *>().size(), 0);
        QCOMPARE(rack.plots.size(), 2);
    }

    void hotKeys()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.setHistoryModel(&history);
        QList<DvnCommandButton *> made;
        for (int i = 0; i < 11; ++i)
            made << rack.addCommandButton({QStringLiteral("b%1").arg(i), QString()});
        for (int i = 0; i < 10; ++i)
            QCOMPARE(rack.buttonOfKey.value(Qt::Key(Qt::Key_0 + i)), made.at(i));
        QVERIFY(!rack.buttonOfKey.values().contains(made.at(10)));

        // 3 clicks the fourth button once however long it is held, and again when
        // struck again. Each send ends first: a busy button would hide a repeat.
        QSignalSpy clicked(made.at(3), &QAbstractButton::clicked);
        QTest::ignoreMessage(QtDebugMsg, "b3 pressed");
        QTest::ignoreMessage(QtDebugMsg, "b3 pressed");
        for (const char *e :
             {"P1000", "A1500", "A1540", "R1580", "P1580", "R1620", "P1620", "R1700", "P2200"}) {
            sendKey(made.at(0), Qt::Key_3, e);
            QTRY_VERIFY(made.at(3)->isEnabled());
        }
        QCOMPARE(clicked.count(), 2);

        // The removed button's digit goes to the next one; no other moves.
        rack.removeCommandButton(made.at(3));
        QVERIFY(!rack.buttonOfKey.contains(Qt::Key_3));
        DvnCommandButton *next = rack.addCommandButton({QStringLiteral("next"), QString()});
        QCOMPARE(rack.buttonOfKey.value(Qt::Key_3), next);
        QCOMPARE(rack.buttonOfKey.value(Qt::Key_4), made.at(4));
        QCOMPARE(next->label->text(), QStringLiteral("next(3)"));
    }

    void removalThroughMenusIsDeferred()
    {
        TreeItem *item = samples.node(0x7, 0x480);
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.setHistoryModel(&history);
        rack.show();
        DvnCustomPlot *plot =
            rack.addCustomPlot({QStringLiteral("P"), true, {}, 0, 1, {}, 0, 1, 10, 0});
        rack.addGraphFromField(plot, item, 1);
        DvnCommandButton *button = rack.addCommandButton({QStringLiteral("b"), QString()});
        DvnFieldView *watch = rack.addWatchFromField(item, 1);
        QPointer<QWidget> p(plot), b(button), w(watch), caption(watch->label);

        for (QWidget *instrument : {QPointer<QWidget>(b), w, p})
            removeThroughMenu(instrument);
        QVERIFY(rack.plots.isEmpty() && rack.buttons.isEmpty() && rack.watches.isEmpty());
        QVERIFY(rack.plotOfGraph.isEmpty() && rack.graphOfField.isEmpty() &&
                rack.fieldsOfItem.isEmpty() && rack.buttonOfKey.isEmpty());
        QVERIFY(!rack.actionsGroup->isVisible() && !rack.watchGroup->isVisible());
        QVERIFY(p); // removed from its own menu, deleted after it
        flushDeletes();
        QVERIFY(!p && !b && !w && !caption);
    }

    void buttonFromOfferedRecords()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.setHistoryModel(&history);
        QMenu menu;
        {
            // The offering table may drop its rows while the menu is open.
            auto first = pswRecord(samples.treeModel.get(), 0x480, QByteArray(4, '\0'), 0);
            auto second = pswRecord(samples.treeModel.get(), 0x481, QByteArray(6, '\0'), 0);
            rack.slotCreateButtonFromQueueSubmenu(&menu, {first.get(), second.get()});
        }
        answerInput([&menu] { menu.actions().value(0)->trigger(); }, "Both");
        DvnCommandButton *button = rack.buttons.value(0);
        QVERIFY(button);
        QCOMPARE(button->objectName(), QStringLiteral("Both"));
        QCOMPARE(button->toolTip(), QStringLiteral("feeders_state\nthreshold\n"));
        QCOMPARE(button->commands.at(1)->packetHeader.name, QStringLiteral("threshold"));
        rack.slotCreateButtonFromQueueSubmenu(nullptr, {}); // no records make no button
        rack.slotCreateButtonFromQueue();
        QCOMPARE(rack.buttons.size(), 1);
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
        DvnCommandButton button({title, QStringLiteral("tip")}, &owner);
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

    void buttonSendsOwnCopiesOnePerTick()
    {
        auto a = pswRecord(samples.treeModel.get(), 0x380, {}, 0);
        auto b = pswRecord(samples.treeModel.get(), 0x383, {}, 0);
        DvnCommandButton button({QStringLiteral("Two"), QString()}, &owner);
        button.setCommandQueue({a.get(), b.get()});
        a.reset(); // the button holds its own copies
        b.reset();
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
};

QTEST_MAIN(TestInstrumentRack)
#include "tst_instrumentrack.moc"
