#include "ostrelhexswatch.h"
#include "ostreltablerecord.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QtTest>

class TestHexView : public QObject
{
    Q_OBJECT
private slots:
    void shows_data();
    void shows();
    void nullKeepsWhatIsShown();
};

void TestHexView::shows_data()
{
    QTest::addColumn<int>("msgId");
    QTest::addColumn<int>("src");
    QTest::addColumn<int>("dst");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("line");
    QTest::newRow("three bytes") << 0x380 << 0x7 << 0x1 << 3 << QByteArray::fromHex("01020a")
                                 << "Message 0x380 from 0x7 to 0x1, len = 3"
                                 << "01 02 0a";
    QTest::newRow("one byte") << 0x1f << 0x1f << 0x1f << 1 << QByteArray::fromHex("1f")
                              << "Message 0x1F from 0x1F to 0x1F, len = 1"
                              << "1f";
    QTest::newRow("empty") << 0x504 << 0x1 << 0x18 << 0 << QByteArray()
                           << "Message 0x504 from 0x1 to 0x18, len = 0"
                           << "";
    // Header and bytes are shown as they are, not compared.
    QTest::newRow("length disagrees")
        << 0xffff << 0xabcd << 0 << 65535 << QByteArray::fromHex("ff00")
        << "Message 0xFFFF from 0xABCD to 0x0, len = 65535"
        << "ff 00";
}

void TestHexView::shows()
{
    QFETCH(int, msgId);
    QFETCH(int, src);
    QFETCH(int, dst);
    QFETCH(int, length);
    QFETCH(QByteArray, data);
    QFETCH(QString, title);
    QFETCH(QString, line);
    OstrelHexSwatch dock(QStringLiteral("Hex View"));

    OstrelTableRecord rec;
    rec.message =
        ostrel_message{quint16(msgId), quint16(src), quint16(dst), quint16(length), nullptr};
    rec.data = data;
    dock.slotUpdateFromTableRecord(&rec);
    QCOMPARE(dock.groupBox->title(), title);
    QCOMPARE(dock.hexEdit->text(), line);
}

void TestHexView::nullKeepsWhatIsShown()
{
    OstrelHexSwatch dock(QStringLiteral("Hex View"));
    OstrelTableRecord rec;
    rec.message = ostrel_message{0x10, 0x2, 0x3, 2, nullptr};
    rec.data = QByteArray::fromHex("abcd");
    dock.slotUpdateFromTableRecord(&rec);
    dock.slotUpdateFromTableRecord(nullptr);
    QCOMPARE(dock.groupBox->title(), QStringLiteral("Message 0x10 from 0x2 to 0x3, len = 2"));
    QCOMPARE(dock.hexEdit->text(), QStringLiteral("ab cd"));
    QCOMPARE(OstrelHexSwatch::spacedHex(QByteArray::fromHex("0001020304")),
             QStringLiteral("00 01 02 03 04"));
}

QTEST_MAIN(TestHexView)
#include "tst_ostrelhexswatch.moc"
