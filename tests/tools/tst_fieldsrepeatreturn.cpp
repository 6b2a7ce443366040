#include "ostrelfieldscolorswatch.h"
#include "ostreltablerecord.h"
#include "packeteditlayout.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

// The operator edits a field and presses Return, then Return again: the
// editor that had the focus is rebuilt by the first send, and the second
// Return must still reach the dock and send once more.
class TestFieldsRepeatReturn : public QObject
{
    Q_OBJECT

private slots:
    void secondReturnInFieldSendsAgain()
    {
        SampleModels models;
        QMainWindow window;
        auto *dock = new OstrelFieldsColorSwatch(QStringLiteral("Fields"), &window);
        window.addDockWidget(Qt::RightDockWidgetArea, dock);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        int sent = 0;
        connect(dock, &OstrelFieldsColorSwatch::signalCmd2QueSend, this, [&sent]() { ++sent; });

        dock->slotUpdateFromTreeItem(models.node(0x7, 0x380));
        auto *mask = dock->layout->fieldEditors.value(1);
        QVERIFY(mask);
        mask->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), mask);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(sent, 1);

        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus && dock->isAncestorOf(focus));
        QCOMPARE(focus, dock->layout->fieldEditors.value(1));
        QTest::keyClick(focus, Qt::Key_Return);
        QCOMPARE(sent, 2);

        // Held, it sends once more, whichever editor has the focus by then.
        holdThenTap(nullptr, Qt::Key_Return);
        QCOMPARE(sent, 4);
    }
};

QTEST_MAIN(TestFieldsRepeatReturn)
#include "tst_fieldsrepeatreturn.moc"
