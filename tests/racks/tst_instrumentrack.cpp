#include "dvncommandbutton.h"
#include "dvncustomplot.h"
#include "dvnfieldview.h"
#include "instrumentrackswatch.h"
#include "ostreltablemodel.h"
#include "support_rack.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>

namespace
{
QStringList menuBarTexts(InstrumentRackSwatch &rack)
{
    QStringList texts;
    for (QAction *a : rack.innerWindow->menuBar()->actions())
        texts << a->text();
    return texts;
}

QDialog *openAddPlotDialog(InstrumentRackSwatch &rack)
{
    rack.slotAddCustomPlot();
    return rack.findChild<QDialog *>(QStringLiteral("addPlotDialog"));
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void pressKey(QWidget *w, int key, bool autoRepeat)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(QChar(key)), autoRepeat);
    QCoreApplication::sendEvent(w, &press);
}
} // namespace

class TestInstrumentRack : public QObject
{
    Q_OBJECT
    // Buttons take it when made; nothing here sends through it.
    OstrelTableModel history{nullptr};

private slots:
    void newRackFrame()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.show();
        QCOMPARE(rack.objectName(), QStringLiteral("A"));
        QCOMPARE(menuBarTexts(rack), QStringList({"Disable", "Add", "Panel", "Plots"}));
        QVERIFY(rack.autoscaleAction->isCheckable() && rack.autoscaleAction->isChecked());
        QVERIFY(rack.watchGroup->isVisible());
        QVERIFY(rack.plotsGroup->isVisible());
        QVERIFY(!rack.actionsGroup->isVisible());
        QVERIFY(!rack.replotTimer->isActive());

        rack.enableAction->trigger();
        QCOMPARE(rack.enableAction->text(), QStringLiteral("Enable"));
        QVERIFY(!rack.enabled);
        rack.enableAction->trigger();
        QCOMPARE(rack.enableAction->text(), QStringLiteral("Disable"));
        QVERIFY(rack.enabled);
        rack.autoscaleAction->trigger();
        QVERIFY(!rack.autoscale);
    }

    void dialogDefaults()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        QDialog *dialog = openAddPlotDialog(rack);
        QVERIFY(dialog && dialog->isModal());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Add new custom plot"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("okButton")),
                          Qt::LeftButton);
        QCOMPARE(rack.plots.size(), 1);
        auto *plot = qobject_cast<DvnCustomPlot *>(rack.plots.first());
        const CustomPlotSettings &s = plot->plotSettings;
        QCOMPARE(plot->objectName(), QStringLiteral("Values plot"));
        QCOMPARE(plot->titleElement()->text(), QStringLiteral("Values plot"));
        QVERIFY(s.legend && plot->legend->visible());
        QCOMPARE(plot->xAxis->label(), QStringLiteral("Time, ms"));
        QCOMPARE(plot->yAxis->label(), QStringLiteral("Value"));
        QVERIFY(s.xMin >= before && s.xMin <= QDateTime::currentMSecsSinceEpoch());
        QCOMPARE(s.xMax - s.xMin, qint64(60000));
        QCOMPARE(plot->xAxis->range().size(), 60000.0);
        QCOMPARE(s.maxPoints, 3000.0);
        QVERIFY(rack.replotTimer->isActive());
        QCOMPARE(rack.replotTimer->interval(), 50);
        QSignalSpy replotted(plot, &QCustomPlot::afterReplot);
        QVERIFY(replotted.wait(1000)); // the tick redraws; adding data does not

        // Each dialog is deleted once closed: opening many grows nothing.
        QPointer<QDialog> gone(dialog);
        flushDeletes();
        QVERIFY(!gone);
        for (int i = 0; i < 20; ++i) {
            QDialog *d = openAddPlotDialog(rack);
            QTest::mouseClick(d->findChild<QPushButton *>(QStringLiteral("cancelButton")),
                              Qt::LeftButton);
            flushDeletes();
        }
        QCOMPARE(rack.findChildren<QDialog *>().size(), 0);
        QCOMPARE(rack.plots.size(), 1);
    }

    void storePoints_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("cap");
        QTest::newRow("hex") << "0x10" << 16.0;
        QTest::newRow("octal") << "010" << 8.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("negative") << "-5" << -5.0;
    }
    void storePoints()
    {
        QFETCH(QString, text);
        QFETCH(double, cap);
        InstrumentRackSwatch rack(QStringLiteral("A"));
        QDialog *dialog = openAddPlotDialog(rack);
        dialog->findChild<QLineEdit *>(QStringLiteral("storePointsEdit"))->setText(text);
        dialog->findChild<QLineEdit *>(QStringLiteral("titleEdit"))->setText(QStringLiteral("T"));
        dialog->findChild<QCheckBox *>(QStringLiteral("legendCheck"))->setChecked(false);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("okButton")),
                          Qt::LeftButton);
        auto *plot = qobject_cast<DvnCustomPlot *>(rack.plots.value(0));
        QVERIFY(plot);
        QCOMPARE(plot->plotSettings.maxPoints, cap);
        QCOMPARE(plot->objectName(), QStringLiteral("T"));
        QVERIFY(!plot->legend->visible());
    }

    void hotKeys()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.setHistoryModel(&history);
        QList<DvnCommandButton *> made;
        for (int i = 0; i < 11; ++i)
            made << rack.addCommandButton({QStringLiteral("b%1").arg(i), QString()});
        QVERIFY(rack.actionsGroup->isVisibleTo(&rack));
        QCOMPARE(rack.buttonOfKey.size(), 10);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(rack.buttonOfKey.value(Qt::Key(Qt::Key_0 + i)), made.at(i));
            QVERIFY(made.at(i)->label->text().endsWith(QStringLiteral("(%1)").arg(i)));
        }
        QVERIFY(!made.at(10)->label->text().contains(QLatin1Char('(')));

        // Pressing 3 clicks the fourth button, once, even while the key is
        // held and repeats.
        QSignalSpy clicked(made.at(3), &QAbstractButton::clicked);
        QTest::ignoreMessage(QtDebugMsg, "b3 pressed");
        pressKey(&rack, Qt::Key_3, false);
        QCOMPARE(clicked.count(), 1);
        QTRY_VERIFY(made.at(3)->isEnabled());
        for (int i = 0; i < 3; ++i)
            pressKey(&rack, Qt::Key_3, true);
        QCOMPARE(clicked.count(), 1);
        pressKey(&rack, Qt::Key_A, false); // no button: nothing
        pressKey(&rack, 0, false);

        // Removing the button with key 3 frees that digit; the next button
        // takes it and no other button loses its key.
        rack.removeCommandButton(made.at(3));
        QCOMPARE(rack.buttonOfKey.size(), 9);
        QVERIFY(!rack.buttonOfKey.contains(Qt::Key_3));
        DvnCommandButton *next = rack.addCommandButton({QStringLiteral("next"), QString()});
        QCOMPARE(rack.buttonOfKey.value(Qt::Key_3), next);
        QCOMPARE(rack.buttonOfKey.value(Qt::Key_4), made.at(4));
        QVERIFY(next->label->text().endsWith(QStringLiteral("(3)")));
        QCOMPARE(rack.buttonOfKey.keys(made.at(10)).size(), 0);
    }

    void removalIsDeferred()
    {
        RackSamples samples;
        TreeItem *item = samples.node(0x7, 0x480);
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.setHistoryModel(&history);
        rack.setTreeModel(samples.treeModel.get());
        DvnCustomPlot *plot =
            rack.addCustomPlot({QStringLiteral("P"), true, {}, 0, 1, {}, 0, 1, 10, 0});
        rack.addGraphFromField(plot, item, 1);
        rack.addGraphFromField(plot, item, 2);
        DvnCommandButton *button = rack.addCommandButton({QStringLiteral("b"), QString()});
        DvnFieldView *watch = rack.addWatchFromField(item, 1);
        QVERIFY(watch && watch->label);
        QPointer<QWidget> p(plot), b(button), w(watch), caption(watch->label);

        // Removal through the instruments' menu actions, which carry indexes.
        QAction stray;
        stray.setData(5);
        connect(&stray, &QAction::triggered, &rack, &InstrumentRackSwatch::slotRemoveCustomPlot);
        stray.trigger();             // names no plot
        rack.slotRemoveCustomPlot(); // no sending action
        QCOMPARE(rack.plots.size(), 1);

        rack.removeCustomPlot(plot);
        rack.removeCommandButton(button);
        rack.removeFieldWatch(watch);
        QVERIFY(rack.plots.isEmpty() && rack.buttons.isEmpty() && rack.watches.isEmpty());
        QVERIFY(rack.plotOfGraph.isEmpty() && rack.graphOfField.isEmpty());
        QVERIFY(rack.fieldsOfItem.isEmpty() && rack.buttonOfKey.isEmpty());
        QVERIFY(!rack.actionsGroup->isVisibleTo(&rack));
        QVERIFY(!rack.watchGroup->isVisibleTo(&rack));
        QVERIFY(p && b && w && caption);
        flushDeletes();
        QVERIFY(!p && !b && !w && !caption);

        // A watch added to the empty list shows the group again.
        QVERIFY(rack.addWatchFromField(item, 3));
        QVERIFY(rack.watchGroup->isVisibleTo(&rack));
        QVERIFY(!rack.addWatchFromField(item, 99));
        QVERIFY(!rack.addWatchFromField(nullptr, 1));
    }

    void contextMenus()
    {
        RackSamples samples;
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.setHistoryModel(&history);
        rack.show();
        DvnCustomPlot *plot =
            rack.addCustomPlot({QStringLiteral("P"), true, {}, 0, 1, {}, 0, 1, 10, 0});
        DvnCommandButton *button = rack.addCommandButton({QStringLiteral("b"), QString()});
        DvnFieldView *watch = rack.addWatchFromField(samples.node(0x7, 0x480), 1);
        rack.contextMenuRequestPlot(QPoint()); // no sender: nothing

        QStringList seen;
        auto readAndClose = [&seen](QWidget *w) {
            auto *menu = qobject_cast<QMenu *>(w);
            seen = menu ? actionTexts(menu) : QStringList();
            w->close();
        };
        onNextModal(readAndClose);
        emit plot->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(seen.first(), QStringLiteral("Legend"));
        QCOMPARE(seen.mid(seen.size() - 2), QStringList({"|", "Remove Custom Plot element"}));
        onNextModal(readAndClose);
        emit button->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(seen, QStringList({"|", "Remove button"}));
        onNextModal(readAndClose);
        emit watch->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(seen.mid(seen.size() - 2), QStringList({"|", "Remove watch element"}));

        // Choosing the entry removes the instrument it was opened on.
        onNextModal([](QWidget *w) {
            auto *menu = qobject_cast<QMenu *>(w);
            QAction *remove = menu ? actionNamed(menu, QStringLiteral("Remove button")) : nullptr;
            w->close();
            if (remove)
                remove->trigger();
        });
        emit button->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(rack.buttons.isEmpty());
    }

    void buttonFromOfferedRecords()
    {
        RackSamples samples;
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
        onNextModal([](QWidget *w) {
            auto *input = qobject_cast<QInputDialog *>(w);
            if (input) {
                QCOMPARE(input->windowTitle(), QStringLiteral("New command button"));
                QCOMPARE(input->labelText(), QStringLiteral("Command name:"));
                QCOMPARE(input->textValue(), QStringLiteral("feeders_state"));
                input->setTextValue(QStringLiteral("Both"));
                input->accept();
            } else {
                w->close();
            }
        });
        menu.actions().first()->trigger();
        QCOMPARE(rack.buttons.size(), 1);
        DvnCommandButton *button = rack.buttons.first();
        QCOMPARE(button->objectName(), QStringLiteral("Both"));
        QCOMPARE(button->toolTip(), QStringLiteral("feeders_state\nthreshold\n"));
        QCOMPARE(button->commands.size(), 2);
        QCOMPARE(button->commands.at(1)->packetHeader.name, QStringLiteral("threshold"));
        QVERIFY(button->commands.first() != rack.pendingRecords.first());

        // One record: its name is the tool tip; a cancelled title still
        // makes the button.
        auto one = pswRecord(samples.treeModel.get(), 0x480, QByteArray(4, '\0'), 0);
        rack.slotCreateButtonFromQueueSubmenu(nullptr, {one.get()});
        onNextModal([](QWidget *w) { w->close(); });
        rack.slotCreateButtonFromQueue();
        QCOMPARE(rack.buttons.size(), 2);
        QCOMPARE(rack.buttons.last()->toolTip(), QStringLiteral("feeders_state"));
        QCOMPARE(rack.buttons.last()->objectName(), QString());

        rack.slotCreateButtonFromQueueSubmenu(nullptr, {});
        rack.slotCreateButtonFromQueue();
        QCOMPARE(rack.buttons.size(), 2);
    }
};

QTEST_MAIN(TestInstrumentRack)
#include "tst_instrumentrack.moc"
