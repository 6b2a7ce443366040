#include "ostreltablemodel.h"
#include "packeteditlayout.h"

#include <QtTest>
#include <QtWidgets>

class TestFieldControls : public QObject
{
    Q_OBJECT
private slots:
    void tenRowsInAFieldsBox()
    {
        OstrelTableModel model(nullptr);
        model.createFieldControls(nullptr); // ignored
        QDockWidget dock;
        model.createFieldControls(&dock);
        auto *box = qobject_cast<QGroupBox *>(dock.widget());
        QVERIFY(box);
        QCOMPARE(box->title(), QStringLiteral("Fields"));
        QCOMPARE(qobject_cast<PacketEditLayout *>(box->layout())->count(), 10);
        QMap<QString, int> texts;
        for (QTextEdit *e : box->findChildren<QTextEdit *>()) {
            QCOMPARE(e->size(), QSize(100, 25));
            ++texts[e->toPlainText()];
        }
        for (QLabel *l : box->findChildren<QLabel *>())
            ++texts[l->text()];
        const QMap<QString, int> tenEach{
            {"100500", 10}, {"Field Name", 10}, {"Field description", 10}};
        QCOMPARE(texts, tenEach);
    }
};

QTEST_MAIN(TestFieldControls)
#include "tst_fieldcontrols.moc"
