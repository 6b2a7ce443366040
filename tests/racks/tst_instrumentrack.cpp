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
QString removeThroughMenu(QWidget *instrument)
{
    QString chosen;
    onNextModal([&chosen](QWidget *w) {
        auto *menu = qobject_cast<QMenu *>(w);
        QAction *last = menu ? menu->actions().last() : nullptr;
        w->close();
        if (last) {
            chosen = last->text();
            last->trigger();
        }
    });
    emit instrument->customContextMenuRequested(QPoint(5, 5));
    return chosen;
}
} // namespace

class TestInstrumentRack : public QObject
{
    Q_OBJECT
    RackSamples samples;
    OstrelTableModel history{nullptr}; // buttons take it; nothing is sent through it

private slots:
    void frameAndDialogDefaults()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.show();
        QStringList bar;
        for (QAction *a : rack.innerWindow->menuBar()->actions())
            bar << a->text();
        QCOMPARE(bar, QStringList({"Disable", "Add", "Panel", "Plots"}));
        QVERIFY(rack.autoscaleAction->isChecked());
        QVERIFY(!rack.actionsGroup->isVisible());
        rack.enableAction->trigger();
        QCOMPARE(rack.enableAction->text(), QStringLiteral("Enable"));

        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        QDialog *dialog = openAddPlotDialog(rack);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Add new custom plot"));
        click(dialog, "okButton");
        auto *plot = qobject_cast<DvnCustomPlot *>(rack.plots.value(0));
        QVERIFY(plot);
        const CustomPlotSettings &s = plot->plotSettings;
        QCOMPARE(plot->objectName(), QStringLiteral("Values plot"));
        QCOMPARE(plot->xAxis->label() + '|' + plot->yAxis->label(),
                 QStringLiteral("Time, ms|Value"));
        QVERIFY(s.legend && s.xMin >= before && s.xMin <= QDateTime::currentMSecsSinceEpoch());
        QCOMPARE(s.xMax - s.xMin, qint64(60000));
        QCOMPARE(s.maxPoints, 3000.0);
        QCOMPARE(rack.replotTimer->interval(), 50);
        QSignalSpy replotted(plot, &QCustomPlot::afterReplot);
        QVERIFY(replotted.wait(1000)); // the tick redraws

        // "Store points" read as a C number; every dialog is deleted once closed.
        const QList<QPair<QString, double>> caps{{"0x10", 16}, {"010", 8}, {"abc", 0}, {"-5", -5}};
        for (const auto &cap : caps) {
            dialog = openAddPlotDialog(rack);
            dialog->findChild<QLineEdit *>(QStringLiteral("storePointsEdit"))->setText(cap.first);
            click(dialog, "okButton");
            flushDeletes();
            QCOMPARE(qobject_cast<DvnCustomPlot *>(rack.plots.last())->plotSettings.maxPoints,
                     cap.second);
        }
        click(openAddPlotDialog(rack), "cancelButton");
        flushDeletes();
        QCOMPARE(rack.findChildren<QDialog *>().size(), 0);
        QCOMPARE(rack.plots.size(), 5);
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

        // 3 clicks the fourth button once however long it is held, whether
        // the repeats come flagged or as plain release and press pairs, and
        // once more when struck again. The key reaches the rack from the
        // instrument that has the focus. Each send is let finish, so a busy
        // button cannot hide a repeat taken for a press.
        QSignalSpy clicked(made.at(3), &QAbstractButton::clicked);
        QTest::ignoreMessage(QtDebugMsg, "b3 pressed");
        QTest::ignoreMessage(QtDebugMsg, "b3 pressed");
        for (const char *e :
             {"P1000", "A1500", "A1540", "R1580", "P1580", "R1620", "P1620", "R1700", "P2200"}) {
            sendKey(made.at(0), Qt::Key_3, e);
            QTRY_VERIFY(made.at(3)->isEnabled());
        }
        QCOMPARE(clicked.count(), 2);

        // The removed button's digit goes to the next button; no other
        // button loses the key its label shows.
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

        QCOMPARE(removeThroughMenu(button), QStringLiteral("Remove button"));
        QCOMPARE(removeThroughMenu(watch), QStringLiteral("Remove watch element"));
        QCOMPARE(removeThroughMenu(plot), QStringLiteral("Remove Custom Plot element"));
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
        QCOMPARE(actionTexts(&menu), QStringList({"A"}));
        QCOMPARE(answerInput([&menu] { menu.actions().first()->trigger(); }, "Both"),
                 QStringLiteral("New command button|Command name:|feeders_state"));
        DvnCommandButton *button = rack.buttons.value(0);
        QVERIFY(button);
        QCOMPARE(button->objectName(), QStringLiteral("Both"));
        QCOMPARE(button->toolTip(), QStringLiteral("feeders_state\nthreshold\n"));
        QCOMPARE(button->commands.size(), 2);
        QCOMPARE(button->commands.at(1)->packetHeader.name, QStringLiteral("threshold"));
        // No records make no button.
        rack.slotCreateButtonFromQueueSubmenu(nullptr, {});
        rack.slotCreateButtonFromQueue();
        QCOMPARE(rack.buttons.size(), 1);
    }
};

QTEST_MAIN(TestInstrumentRack)
#include "tst_instrumentrack.moc"
