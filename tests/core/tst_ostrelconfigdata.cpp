#include "ostrelconfigdata.h"
#include "support_fixture.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

QByteArray parameter(const char *name, const char *value, const char *desc = "")
{
    return QByteArray("<Parameter><ParmName>") + name + "</ParmName><ParmDesc>" + desc +
           "</ParmDesc><ParmValue>" + value + "</ParmValue></Parameter>\n";
}

QByteArray config(const QByteArray &parameters)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n<ConfigVer>2</ConfigVer>\n"
           "<ConfigDate>01.02.2003</ConfigDate>\n" +
           parameters + "</Config>\n";
}

// The dialog's rows from the bottom up, as "name=value|description".
QStringList dialogRows(const OstrelConfigData &cfg)
{
    QStringList rows;
    auto *table = cfg.configDialog()->findChild<QTableWidget *>();
    for (int row = table->rowCount() - 1; row >= 0; --row)
        rows << table->item(row, 0)->text() + "=" + table->item(row, 1)->text() + "|" +
                    table->item(row, 2)->text();
    return rows;
}

// A written file as the reader sees it again.
QStringList writtenParameters(QString path)
{
    return dialogRows(OstrelConfigData(&path));
}

} // namespace

class TestOstrelConfigData : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> m_dir;

    QString fixture(const QByteArray &content, const QString &name = "config.xml")
    {
        return fixtureFile(*m_dir, name, content);
    }

private slots:
    void init() { m_dir.reset(new QTemporaryDir); }

    void readFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("output"); // %1 stands for the path
        QTest::addColumn<QStringList>("rows");

        QTest::newRow("duplicates kept in reading order")
            << config(parameter("HistoryDepth", "10", "first") +
                      parameter("HistoryDepth", "20", "second") + parameter("AGWPE_Port", "8000"))
            << 0 << QString()
            << QStringList{"AGWPE_Port=8000|", "HistoryDepth=10|second", "HistoryDepth=20|second"};
        QTest::newRow("tag mismatch keeps what was read")
            << QByteArray("<Config>" + parameter("a", "1") +
                          "<Parameter><ParmName>b</ParmName></Config>")
            << -30 << "Error: Opening and ending tag mismatch. in file %1 at line 2, column 42.\n"
            << QStringList{"a=1|"};
    }
    void readFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, result);
        QFETCH(QString, output);
        QFETCH(QStringList, rows);

        QString path = fixture(content);
        QScopedPointer<OstrelConfigData> cfg;
        const QString printed = captureStdout([&] { cfg.reset(new OstrelConfigData(&path)); });
        QCOMPARE(printed, output.contains("%1") ? output.arg(path) : output);
        QCOMPARE(dialogRows(*cfg), rows);
        captureStdout([&] { QCOMPARE(OstrelConfigData(nullptr).fromXMLFile(&path), result); });
    }

    void commandLine()
    {
        QString path = fixture(config(parameter("HistoryDepth", "10", "depth")));
        OstrelConfigData cfg(&path);
        // Pairs in order; a name without its value defines nothing. Latin-1 as
        // the toolkit leaves it.
        appendArgs(cfg, {"Call\xe9", "\xb5v", "HistoryDepth", "99", "c"});
        QCOMPARE(cfg.getParameter(QString::fromUtf8("Call\xc3\xa9")),
                 QString::fromUtf8("\xc2\xb5v"));
        QCOMPARE(cfg.getParameter("HistoryDepth"), QString("99"));
        QVERIFY(!cfg.existParameter("c"));
    }

    void writeAndReadBack()
    {
        QString path = fixture(
            config(parameter("Interface", "KISSTCP", "reader") +
                   parameter("AGWPE_Hostname", " spaced &lt;&amp;&gt; ", "host") +
                   parameter("HistoryDepth", "10") + parameter("HistoryDepth", "20", "new")));
        OstrelConfigData cfg(&path);
        appendArgs(cfg, {"serverAddress", "10.0.0.1", "Interface", "AGWPE"});
        QString out = m_dir->filePath("written.xml");
        cfg.saveToFile(out);
        QCOMPARE(writtenParameters(out),
                 (QStringList{"AGWPE_Hostname= spaced <&> |host", "HistoryDepth=10|new",
                              "HistoryDepth=20|new", "Interface=AGWPE|reader",
                              "serverAddress=10.0.0.1|"}));

        // Writing must not flip which of two definitions is in force.
        OstrelConfigData(&out).saveToFile(out);
        QCOMPARE(OstrelConfigData(&out).getParameter("HistoryDepth"), QString("20"));

        // A save that fails midway, as on a full disk, keeps the old file.
        QFile before(out);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray old = before.readAll();
        before.close();
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("^Error writing to " +
                                                               QRegularExpression::escape(out) +
                                                               "\nFile too large$"));
        withFileSizeLimit(16, [&] { cfg.saveToFile(out); });
        QVERIFY(before.open(QIODevice::ReadOnly));
        QCOMPARE(before.readAll(), old);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
                 (QStringList{"config.xml", "written.xml"}));
    }
};

QTEST_MAIN(TestOstrelConfigData)
#include "tst_ostrelconfigdata.moc"
