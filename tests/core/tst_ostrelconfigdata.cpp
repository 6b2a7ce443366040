#include "ostrelconfigdata.h"

#include <QtTest>
#include <QtWidgets>

#include <cstdio>
#include <unistd.h>

namespace
{

// Redirects file descriptor 1 into a temporary file for its lifetime, so
// the reader's messages on standard output can be compared exactly.
class StdoutCapture
{
public:
    StdoutCapture()
    {
        m_file.open();
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        dup2(m_file.handle(), STDOUT_FILENO);
    }
    ~StdoutCapture() { restore(); }

    QString text()
    {
        restore();
        QFile f(m_file.fileName());
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stdout);
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};

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

QPushButton *dialogButton(const OstrelConfigData &cfg, const QString &text)
{
    for (auto *button : cfg.configDialog()->findChildren<QPushButton *>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

QTableWidgetItem *valueCell(const OstrelConfigData &cfg, int rowFromBottom)
{
    auto *table = cfg.configDialog()->findChild<QTableWidget *>();
    return table->item(table->rowCount() - 1 - rowFromBottom, 1);
}

// The "Parameter" elements of a written file, as "name=value|description".
QStringList writtenParameters(const QString &path, QString *version = nullptr,
                              QString *date = nullptr)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<unreadable>")};
    QXmlStreamReader reader(&f);
    QStringList out;
    QString name, desc, value;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const QString tag = reader.name().toString();
        if (tag == "ConfigVer" && version)
            *version = reader.readElementText();
        else if (tag == "ConfigDate" && date)
            *date = reader.readElementText();
        else if (tag == "ParmName")
            name = reader.readElementText();
        else if (tag == "ParmDesc")
            desc = reader.readElementText();
        else if (tag == "ParmValue")
            out << name + "=" + reader.readElementText() + "|" + desc;
    }
    if (reader.hasError())
        out << "<error " + reader.errorString() + ">";
    return out;
}

// argv built from a list, with a program name in front as the toolkit leaves it.
class Args
{
public:
    explicit Args(const QList<QByteArray> &args)
    {
        m_storage << QByteArray("velkaro") << args;
        for (QByteArray &a : m_storage)
            m_argv.push_back(a.data());
        m_argv.push_back(nullptr);
    }
    int argc() const { return int(m_argv.size()) - 1; }
    char **argv() { return m_argv.data(); }

private:
    QList<QByteArray> m_storage;
    std::vector<char *> m_argv;
};

} // namespace

class TestOstrelConfigData : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readFile_data();
    void readFile();
    void readMissingOrUnopenable();

    void commandLine_data();
    void commandLine();
    void commandLineLists();

    void writeAndReadBack();
    void writeKeepsDuplicateInForce();
    void writeUncreatable();

    void dialogLayout();
    void okAndCancel();
    void okResetsCommandLineOverride();
    void okOnDuplicateRows();
    void okWhenFileCannotBeWritten();

private:
    QString writeFixture(const QByteArray &content, const QString &name = "config.xml");
    QString inResources(const QByteArray &content);
    QTemporaryDir *m_dir = nullptr;
    QString m_oldCurrent;
};

void TestOstrelConfigData::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_oldCurrent = QDir::currentPath();
}

void TestOstrelConfigData::cleanup()
{
    QDir::setCurrent(m_oldCurrent);
    delete m_dir;
    m_dir = nullptr;
}

QString TestOstrelConfigData::writeFixture(const QByteArray &content, const QString &name)
{
    const QString path = m_dir->filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(content);
    return path;
}

void TestOstrelConfigData::readFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("output"); // %1 stands for the path
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("typical") << config(parameter("Interface", "AGWPE", "radio reader") +
                                       parameter("AGWPE_Port", "8000"))
                             << 0 << QString()
                             << QStringList{"AGWPE_Port=8000|", "Interface=AGWPE|radio reader"};
    QTest::newRow("duplicates kept in reading order")
        << config(parameter("HistoryDepth", "10", "first") +
                  parameter("HistoryDepth", "20", "second"))
        << 0 << QString() << QStringList{"HistoryDepth=10|second", "HistoryDepth=20|second"};
    QTest::newRow("Parameter before Config")
        << QByteArray("<Root>" + parameter("a", "1") + "<Config/></Root>") << -20
        << "Bad file format\n"
        << QStringList();
    QTest::newRow("values keep spaces, empty elements read empty")
        << config(parameter("HistoryDepth", " 5 ") +
                  "<Parameter><ParmName>Empty</ParmName><ParmDesc/><ParmValue/></Parameter>")
        << 0 << QString() << QStringList{"Empty=|", "HistoryDepth= 5 |"};
    QTest::newRow("nesting is not checked")
        << QByteArray("<Root><Config/><Group><Parameter><ParmName>StartLayout</ParmName>"
                      "<ParmValue>a.lay</ParmValue><Unknown>x</Unknown></Parameter></Group></Root>")
        << 0 << QString() << QStringList{"StartLayout=a.lay|"};
    QTest::newRow("entities and UTF-8")
        << config(parameter("SiDS_URL_main", "http://h/?a=1&amp;b=2", "\xc3\xa9t\xc3\xa9")) << 0
        << QString()
        << QStringList{QString::fromUtf8("SiDS_URL_main=http://h/?a=1&b=2|\xc3\xa9t\xc3\xa9")};
    QTest::newRow("tag mismatch keeps what was read")
        << QByteArray("<Config>" + parameter("a", "1") +
                      "<Parameter><ParmName>b</ParmName></Config>")
        << -30 << "Error: Opening and ending tag mismatch. in file %1 at line 2, column 42.\n"
        << QStringList{"a=1|"};
    QTest::newRow("premature end")
        << QByteArray("<Config>" + parameter("a", "1")) << -30
        << "Error: Premature end of document. in file %1 at line 2, column 0.\n"
        << QStringList{"a=1|"};
    QTest::newRow("binary garbage")
        << QByteArray("\x00\xff\xfe<<", 5) << -30 << QString("*") << QStringList();
}

void TestOstrelConfigData::readFile()
{
    QFETCH(QByteArray, content);
    QFETCH(int, result);
    QFETCH(QString, output);
    QFETCH(QStringList, rows);

    QString path = writeFixture(content);
    StdoutCapture capture;
    OstrelConfigData cfg(&path);
    const QString printed = capture.text();
    if (output == "*")
        QVERIFY2(printed.startsWith("Error: ") && printed.endsWith(".\n"), qPrintable(printed));
    else
        QCOMPARE(printed, output.contains("%1") ? output.arg(path) : output);
    QCOMPARE(dialogRows(cfg), rows);

    StdoutCapture quiet;
    OstrelConfigData other(nullptr);
    QCOMPARE(other.fromXMLFile(&path), result);
}

void TestOstrelConfigData::readMissingOrUnopenable()
{
    QString missing = m_dir->filePath("nothing.xml");
    QString directory = m_dir->path();
    StdoutCapture capture;
    OstrelConfigData cfg(nullptr);
    QCOMPARE(cfg.fromXMLFile(&missing), -20);
    QCOMPARE(cfg.fromXMLFile(&directory), -20);
    QString empty;
    QCOMPARE(cfg.fromXMLFile(&empty), -10);
    QCOMPARE(capture.text(), QString("Usage: xmlstreamlint <path to XML file>\n"
                                     "File %1 does not exist.\n"
                                     "Failed to open file %2.\n"
                                     "Usage: xmlstreamlint <path to XML file>\n")
                                 .arg(missing, directory));
    QVERIFY(!cfg.existParameter("Interface"));
    QVERIFY(cfg.getParameter("Interface").isNull());
    QCOMPARE(cfg.configDialog()->findChild<QTableWidget *>()->rowCount(), 0);
}

void TestOstrelConfigData::commandLine_data()
{
    QTest::addColumn<QList<QByteArray>>("args");
    QTest::addColumn<QStringList>("expected"); // name=value; "name!" for undefined

    QTest::newRow("three arguments")
        << QList<QByteArray>{"a", "b", "c"} << QStringList{"a=b", "c!", "b!"};
    QTest::newRow("override the one in force")
        << QList<QByteArray>{"HistoryDepth", "99"} << QStringList{"HistoryDepth=99"};
    QTest::newRow("same new name twice")
        << QList<QByteArray>{"serverPort", "1", "serverPort", "2"} << QStringList{"serverPort=2"};
    QTest::newRow("Latin-1") << QList<QByteArray>{"Call\xe9", "\xb5v"}
                             << QStringList{QString::fromUtf8("Call\xc3\xa9=\xc2\xb5v")};
    QTest::newRow("empty value defines")
        << QList<QByteArray>{"StartLayout", ""} << QStringList{"StartLayout="};
}

void TestOstrelConfigData::commandLine()
{
    QFETCH(QList<QByteArray>, args);
    QFETCH(QStringList, expected);

    QString path = writeFixture(config(parameter("HistoryDepth", "10", "depth") +
                                       parameter("HistoryDepth", "20", "depth")));
    OstrelConfigData cfg(&path);
    Args a(args);
    cfg.appendFromArgs(a.argc(), a.argv());
    for (const QString &e : expected) {
        if (e.endsWith('!')) {
            QVERIFY2(!cfg.existParameter(e.chopped(1)), qPrintable(e));
            continue;
        }
        const QString name = e.section('=', 0, 0);
        QVERIFY2(cfg.existParameter(name), qPrintable(e));
        QCOMPARE(cfg.getParameter(name), e.section('=', 1));
    }
    // The dialog is never rebuilt: it still shows what the file gave.
    QCOMPARE(dialogRows(cfg), (QStringList{"HistoryDepth=10|depth", "HistoryDepth=20|depth"}));
}

void TestOstrelConfigData::commandLineLists()
{
    QString path = writeFixture(
        config(parameter("ZedorirMap", "maps/a.xml") + parameter("DeviceDesc", "d1") +
               parameter("ZedorirMap", "maps/b.xml") + parameter("InstrumentRack", "r1")));
    OstrelConfigData cfg(&path);
    Args a({"ZedorirMap", "maps/c.xml", "InstrumentRack", "r2", "DeviceDesc", "d2"});
    cfg.appendFromArgs(a.argc(), a.argv());
    QCOMPARE(cfg.zedorirMapList(), (QList<QString>{"maps/a.xml", "maps/b.xml", "maps/c.xml"}));
    QCOMPARE(cfg.deviceDescList(), (QList<QString>{"d1", "d2"}));
    QCOMPARE(cfg.instrumentRackList(), (QList<QString>{"r1", "r2"}));
    QCOMPARE(cfg.getParameter("ZedorirMap"), QString("maps/c.xml"));
}

void TestOstrelConfigData::writeAndReadBack()
{
    QString path = writeFixture(
        config(parameter("Interface", "KISSTCP", "reader") +
               parameter("AGWPE_Hostname", " spaced &lt;&amp;&gt; ", "host") +
               parameter("HistoryDepth", "10", "old") + parameter("HistoryDepth", "20", "new")));
    OstrelConfigData cfg(&path);
    Args a({"serverAddress", "10.0.0.1", "Interface", "AGWPE"});
    cfg.appendFromArgs(a.argc(), a.argv());

    const QString out = m_dir->filePath("written.xml");
    cfg.saveToFile(out);

    QString version, date;
    QCOMPARE(
        writtenParameters(out, &version, &date),
        (QStringList{"AGWPE_Hostname= spaced <&> |host", "HistoryDepth=10|new",
                     "HistoryDepth=20|new", "Interface=AGWPE|reader", "serverAddress=10.0.0.1|"}));
    QCOMPARE(version, QString("2"));
    QVERIFY2(QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d{4}$").match(date).hasMatch(),
             qPrintable(date));
    QVERIFY(QDate::fromString(date, "dd.MM.yyyy").isValid());

    QFile raw(out);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    QVERIFY(bytes.contains("\n    <Parameter>")); // indented

    QString outPath = out;
    OstrelConfigData back(&outPath);
    for (const QString name : {"Interface", "AGWPE_Hostname", "HistoryDepth", "serverAddress"})
        QCOMPARE(back.getParameter(name), cfg.getParameter(name));
}

void TestOstrelConfigData::writeKeepsDuplicateInForce()
{
    // Writing must not flip which of two definitions is in force.
    QString path =
        writeFixture(config(parameter("HistoryDepth", "10") + parameter("HistoryDepth", "20")));
    OstrelConfigData cfg(&path);
    QString out = m_dir->filePath("again.xml");
    for (int round = 0; round < 3; ++round) {
        OstrelConfigData reread(round == 0 ? &path : &out);
        QCOMPARE(reread.getParameter("HistoryDepth"), QString("20"));
        reread.saveToFile(out);
    }
    QCOMPARE(writtenParameters(out), (QStringList{"HistoryDepth=10|", "HistoryDepth=20|"}));
}

void TestOstrelConfigData::writeUncreatable()
{
    StdoutCapture usage;
    OstrelConfigData cfg(nullptr);
    usage.text();
    const QString bad = m_dir->filePath("no/such/dir/config.xml");
    QTest::ignoreMessage(QtCriticalMsg, qPrintable("\"Can't create file " + bad + "\""));
    cfg.saveToFile(bad);
    QVERIFY(!QFile::exists(bad));
}

void TestOstrelConfigData::dialogLayout()
{
    QString path = writeFixture(config(parameter("Interface", "AGWPE", "reader") +
                                       parameter("AGWPE_Port", "8000", "port") +
                                       parameter("serverPort", "5000", "zel")));
    OstrelConfigData cfg(&path);
    QDialog *dialog = cfg.configDialog();
    QVERIFY(!dialog->isVisible() && dialog->isModal());
    QCOMPARE(dialog->windowTitle(), QString("Parameters"));
    QCOMPARE(dialog->findChild<QLabel *>()->text(), QString("Application parameters:\n"));
    auto *table = dialog->findChild<QTableWidget *>();
    QStringList headers;
    for (int c = 0; c < table->columnCount(); ++c)
        headers << table->horizontalHeaderItem(c)->text();
    QCOMPARE(headers, (QStringList{"Name", "Value", "Description"}));
    // Descending from the top: the first name sits at the bottom. Only the
    // value is editable.
    QCOMPARE(dialogRows(cfg), (QStringList{"AGWPE_Port=8000|port", "Interface=AGWPE|reader",
                                           "serverPort=5000|zel"}));
    for (int row = 0; row < table->rowCount(); ++row) {
        QVERIFY(!(table->item(row, 0)->flags() & Qt::ItemIsEditable));
        QVERIFY(table->item(row, 1)->flags() & Qt::ItemIsEditable);
        QVERIFY(!(table->item(row, 2)->flags() & Qt::ItemIsEditable));
    }
}

QString TestOstrelConfigData::inResources(const QByteArray &content)
{
    // Ok writes resources/config.xml under the working directory.
    QDir(m_dir->path()).mkdir("resources");
    QDir::setCurrent(m_dir->path());
    return writeFixture(content, "resources/config.xml");
}

void TestOstrelConfigData::okAndCancel()
{
    const QByteArray original = config(parameter("HistoryDepth", "10", "depth") +
                                       parameter("StartLayout", "a.lay", "layout"));
    QString path = inResources(original);
    OstrelConfigData cfg(&path);
    QSignalSpy spy(&cfg, &OstrelConfigData::parmChanged);
    cfg.configDialog()->show();

    // Ok without changes writes nothing and emits nothing.
    QTest::mouseClick(dialogButton(cfg, "Ok"), Qt::LeftButton);
    QVERIFY(!cfg.configDialog()->isVisible());
    QCOMPARE(spy.count(), 0);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), original);

    // Cancel keeps the edit in the dialog but applies nothing ...
    cfg.configDialog()->show();
    valueCell(cfg, 0)->setText("500");
    QTest::mouseClick(dialogButton(cfg, "Cancel"), Qt::LeftButton);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(cfg.getParameter("HistoryDepth"), QString("10"));
    // ... until a later Ok.
    cfg.configDialog()->show();
    QCOMPARE(valueCell(cfg, 0)->text(), QString("500"));
    QTest::ignoreMessage(QtDebugMsg, "\"1 parameters updated\"");
    QTest::mouseClick(dialogButton(cfg, "Ok"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), (QList<QVariant>{"HistoryDepth", "500"}));
    QCOMPARE(cfg.getParameter("HistoryDepth"), QString("500"));
    QCOMPARE(writtenParameters(path),
             (QStringList{"HistoryDepth=500|depth", "StartLayout=a.lay|layout"}));
}

void TestOstrelConfigData::okResetsCommandLineOverride()
{
    QString path = inResources(config(parameter("HistoryDepth", "10")));
    OstrelConfigData cfg(&path);
    Args a({"HistoryDepth", "99", "serverAddress", "10.1.1.1"});
    cfg.appendFromArgs(a.argc(), a.argv());
    QSignalSpy spy(&cfg, &OstrelConfigData::parmChanged);

    QTest::ignoreMessage(QtDebugMsg, "\"1 parameters updated\"");
    QTest::mouseClick(dialogButton(cfg, "Ok"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), (QList<QVariant>{"HistoryDepth", "10"}));
    QCOMPARE(cfg.getParameter("serverAddress"), QString("10.1.1.1"));
    QCOMPARE(writtenParameters(path), (QStringList{"HistoryDepth=10|", "serverAddress=10.1.1.1|"}));
}

void TestOstrelConfigData::okOnDuplicateRows()
{
    QString path = inResources(config(parameter("AltLayout1", "x") +
                                      parameter("HistoryDepth", "10") +
                                      parameter("HistoryDepth", "20")));
    OstrelConfigData cfg(&path);
    QSignalSpy spy(&cfg, &OstrelConfigData::parmChanged);
    valueCell(cfg, 0)->setText("y");
    valueCell(cfg, 1)->setText("11");
    valueCell(cfg, 2)->setText("21");
    QTest::ignoreMessage(QtDebugMsg, "\"3 parameters updated\"");
    QTest::mouseClick(dialogButton(cfg, "Ok"), Qt::LeftButton);

    // Emitted in name order, and the last word on a name is the value in force.
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(1), (QList<QVariant>{"HistoryDepth", "11"}));
    QCOMPARE(spy.at(2), (QList<QVariant>{"HistoryDepth", "21"}));
    OstrelConfigData back(&path);
    QCOMPARE(back.getParameter("HistoryDepth"), QString("21"));
}

void TestOstrelConfigData::okWhenFileCannotBeWritten()
{
    // No resources/ folder in the working directory: the file cannot be created.
    QString path = writeFixture(config(parameter("HistoryDepth", "10")));
    QVERIFY(QDir::setCurrent(m_dir->path()));
    OstrelConfigData cfg(&path);
    QSignalSpy spy(&cfg, &OstrelConfigData::parmChanged);
    valueCell(cfg, 0)->setText("30");
    QTest::ignoreMessage(QtDebugMsg, "\"1 parameters updated\"");
    QTest::ignoreMessage(QtCriticalMsg, "\"Can't create file resources/config.xml\"");
    QTest::mouseClick(dialogButton(cfg, "Ok"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(cfg.getParameter("HistoryDepth"), QString("30"));
}

QTEST_MAIN(TestOstrelConfigData)
#include "tst_ostrelconfigdata.moc"
