#include "ostreltablemodel.h"
#include "packeteditlayout.h"

#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QTextEdit>
#include <QtTest>

class TestFieldControls : public QObject
{
    Q_OBJECT
private slots:
    void tenRowsInAFieldsBox()
    {
        OstrelTableModel model(nullptr);
        QDockWidget dock;
        model.createFieldControls(&dock);

        auto *box = qobject_cast<QGroupBox *>(dock.widget());
        QVERIFY(box);
        QCOMPARE(box->title(), QStringLiteral("Fields"));
        auto *flow = qobject_cast<PacketEditLayout *>(box->layout());
        QVERIFY(flow);
        QCOMPARE(flow->count(), 10);

        const QList<QTextEdit *> edits = box->findChildren<QTextEdit *>();
        QCOMPARE(edits.size(), 10);
        for (QTextEdit *e : edits) {
            QCOMPARE(e->toPlainText(), QStringLiteral("100500"));
            QCOMPARE(e->size(), QSize(100, 25));
        }
        int names = 0, descs = 0;
        for (QLabel *l : box->findChildren<QLabel *>()) {
            names += l->text() == QLatin1String("Field Name");
            descs += l->text() == QLatin1String("Field description");
        }
        QCOMPARE(names, 10);
        QCOMPARE(descs, 10);
    }

    void nullDockIsIgnored()
    {
        OstrelTableModel model(nullptr);
        model.createFieldControls(nullptr);
    }
};

QTEST_MAIN(TestFieldControls)
#include "tst_fieldcontrols.moc"
