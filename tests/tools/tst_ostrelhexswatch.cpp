#include "ostrelhexswatch.h"
#include "ostreltablerecord.h"

#include <QtTest>
#include <QtWidgets>

class TestHexView : public QObject
{
    Q_OBJECT
private slots:
    void shows_data()
    {
        QTest::addColumn<QList<int>>("header"); // id, src, dst, length
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("line");
        QTest::newRow("three bytes")
            << QList<int>{0x380, 0x7, 0x1, 3} << QByteArray::fromHex("01020a")
            << "Message 0x380 from 0x7 to 0x1, len = 3"
            << "01 02 0a";
        // 16-bit limits; header and bytes are shown as they are, not compared.
        QTest::newRow("one byte, length disagrees")
            << QList<int>{0xffff, 0x1f, 0, 65535} << QByteArray::fromHex("1f")
            << "Message 0xFFFF from 0x1F to 0x0, len = 65535"
            << "1f";
        QTest::newRow("empty") << QList<int>{0x504, 0x1, 0x18, 0} << QByteArray()
                               << "Message 0x504 from 0x1 to 0x18, len = 0"
                               << "";
    }
    void shows()
    {
        QFETCH(QList<int>, header);
        QFETCH(QByteArray, data);
        QFETCH(QString, title);
        QFETCH(QString, line);
        OstrelHexSwatch dock(QStringLiteral("Hex View"));
        OstrelTableRecord rec;
        rec.message = ostrel_message{quint16(header[0]), quint16(header[1]), quint16(header[2]),
                                     quint16(header[3]), nullptr};
        rec.data = data;
        dock.slotUpdateFromTableRecord(&rec);
        dock.slotUpdateFromTableRecord(nullptr); // keeps what is shown
        QCOMPARE(dock.groupBox->title(), title);
        QCOMPARE(dock.hexEdit->text(), line);
    }
};

QTEST_MAIN(TestHexView)
#include "tst_ostrelhexswatch.moc"
