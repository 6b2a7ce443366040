#include "messagehandler.h"
#include "scrollmessagedlg.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTextStream>
#include <QThread>
#include <QtTest>

#include <memory>

namespace
{

const QString timePrefix = QStringLiteral("\\d\\d:\\d\\d:\\d\\d: ");

// A log device that itself complains on every write, as a failing disk or
// a closed pipe would through the toolkit's warnings.
class NoisyDevice : public QIODevice
{
public:
    // Directly: as a chained handler or a logging bridge would call it,
    // without the toolkit's own re-entry check in between.
    bool direct = false;
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        if (direct)
            messageOutput(QtWarningMsg, QMessageLogContext(),
                          QStringLiteral("log device complains"));
        else
            qWarning("log device complains");
        written.append(data, int(len));
        return len;
    }
};

void emitMessage(QtMsgType type, const QString &text)
{
    const QByteArray t = text.toUtf8();
    switch (type) {
    case QtDebugMsg:
        qDebug("%s", t.constData());
        break;
    case QtInfoMsg:
        qInfo("%s", t.constData());
        break;
    case QtWarningMsg:
        qWarning("%s", t.constData());
        break;
    case QtCriticalMsg:
        qCritical("%s", t.constData());
        break;
    case QtFatalMsg:
        break;
    }
}

} // namespace

class TestMessageHandler : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lines_data();
    void lines();
    void textWrittenThroughDebugStreamIsQuoted();
    void counterTitleAndClear();
    void withoutErrorLog();
    void closedLogFileIsLeftAlone();
    void messageFromAnotherThread();
    void manyThreadsKeepLinesWhole();
    void messageWhileWritingDoesNotRecurse_data();
    void messageWhileWritingDoesNotRecurse();
    void windowGoneBeforeQueuedMessage();
    void fatalIsLoggedLastAndAborts();

private:
    QString logText()
    {
        QFile f(m_dir.filePath(QStringLiteral("error.log")));
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            return QString();
        return QString::fromUtf8(f.readAll());
    }
    // Log lines without their time stamps; a line without a proper stamp
    // stays whole so that the comparison shows it.
    QStringList logLines()
    {
        QStringList lines = logText().split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        static const QRegularExpression stamp(QStringLiteral("^") + timePrefix);
        for (QString &line : lines) {
            const auto m = stamp.match(line);
            if (m.hasMatch())
                line.remove(0, m.capturedLength());
        }
        return lines;
    }
    QString paneText() { return m_box->findChild<QTextEdit *>()->toPlainText(); }
    // Pane lines with the stamp taken out from behind any prefix.
    QStringList paneLines()
    {
        QStringList lines = paneText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        static const QRegularExpression stamp(QStringLiteral("^(WARNING: |ERROR: )?") + timePrefix);
        for (QString &line : lines) {
            const auto m = stamp.match(line);
            if (m.hasMatch())
                line = m.captured(1) + line.mid(m.capturedLength());
        }
        return lines;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QFile> m_file;
    std::unique_ptr<QTextStream> m_stream;
    std::unique_ptr<ScrollMessageDlg> m_box;
    QtMessageHandler m_previous = nullptr;
};

void TestMessageHandler::init()
{
    QVERIFY(m_dir.isValid());
    QFile::remove(m_dir.filePath(QStringLiteral("error.log")));
    m_file.reset(new QFile(m_dir.filePath(QStringLiteral("error.log"))));
    QVERIFY(m_file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text));
    m_stream.reset(new QTextStream(m_file.get()));
    m_box.reset(
        new ScrollMessageDlg(nullptr, QStringLiteral("Messages"), QStringLiteral("unused")));
    setMessageOutputWindow(m_box.get());
    setMessageOutputLog(m_stream.get());
    m_previous = qInstallMessageHandler(messageOutput);
}

void TestMessageHandler::cleanup()
{
    qInstallMessageHandler(m_previous);
    setMessageOutputLog(nullptr);
    setMessageOutputWindow(nullptr);
    m_box.reset();
    m_stream.reset();
    m_file.reset();
}

void TestMessageHandler::lines_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<QString>("shown"); // null: not shown

    QTest::newRow("debug") << int(QtDebugMsg) << "Connected to modem"
                           << "Connected to modem"
                           << "Connected to modem";
    QTest::newRow("warning") << int(QtWarningMsg) << "Socket error 1"
                             << "Socket error 1"
                             << "WARNING: Socket error 1";
    QTest::newRow("critical") << int(QtCriticalMsg) << "Can't open file x"
                              << "Can't open file x"
                              << "ERROR: Can't open file x";
    QTest::newRow("info only in the file") << int(QtInfoMsg) << "quiet note"
                                           << "quiet note" << QString();
    QTest::newRow("one newline dropped") << int(QtDebugMsg) << "AGWPE hw-interface will be used.\n"
                                         << "AGWPE hw-interface will be used."
                                         << "AGWPE hw-interface will be used.";
    QTest::newRow("two newlines keep one") << int(QtWarningMsg) << "twice\n\n"
                                           << "twice\n"
                                           << "WARNING: twice";
    QTest::newRow("rich text shown formatted") << int(QtDebugMsg) << "<b>bold</b> news"
                                               << "<b>bold</b> news"
                                               << "bold news";
    QTest::newRow("empty text") << int(QtDebugMsg) << ""
                                << ""
                                << "";
}

void TestMessageHandler::lines()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(QString, logged);
    QFETCH(QString, shown);

    emitMessage(QtMsgType(type), text);

    // Written and flushed before the handler returns.
    const QRegularExpression line(QStringLiteral("^") + timePrefix +
                                  QRegularExpression::escape(logged) + QStringLiteral("\n$"));
    QVERIFY2(line.match(logText()).hasMatch(), qPrintable(logText()));

    if (shown.isNull()) {
        QCOMPARE(paneText(), QString());
        QCOMPARE(m_box->windowTitle(), QString());
        QVERIFY(!m_box->isVisible());
    } else {
        QCOMPARE(paneLines(), QStringList(shown));
        QVERIFY(QRegularExpression(QStringLiteral("^(WARNING: |ERROR: )?") + timePrefix)
                    .match(paneText())
                    .hasMatch());
        QCOMPARE(m_box->windowTitle(), QStringLiteral("Messages < 1 Message(s) >"));
        QVERIFY(m_box->isVisible());
    }
}

void TestMessageHandler::textWrittenThroughDebugStreamIsQuoted()
{
    qDebug() << QStringLiteral("Error log file opened: %1").arg(QStringLiteral("err.log"));
    QCOMPARE(logLines(), QStringList(QStringLiteral("\"Error log file opened: err.log\"")));
    QCOMPARE(paneLines(), QStringList(QStringLiteral("\"Error log file opened: err.log\"")));
}

void TestMessageHandler::counterTitleAndClear()
{
    QCOMPARE(m_box->windowTitle(), QString());
    qInfo("not counted");
    QCOMPARE(m_box->windowTitle(), QString());

    qDebug("one");
    qWarning("two");
    qCritical("three");
    QCOMPARE(m_box->windowTitle(), QStringLiteral("Messages < 3 Message(s) >"));
    QCOMPARE(paneLines(), QStringList({"one", "WARNING: two", "ERROR: three"}));
    QCOMPARE(logLines(), QStringList({"not counted", "one", "two", "three"}));

    QPushButton *clear = m_box->findChild<QPushButton *>();
    QVERIFY(clear);
    QCOMPARE(clear->text(), QStringLiteral("Clear"));
    QCOMPARE(clear->width(), 60);
    clear->click();
    QCOMPARE(paneText(), QString());
    QCOMPARE(m_box->windowTitle(), QStringLiteral("Messages < 3 Message(s) >"));

    qWarning("four");
    QCOMPARE(m_box->windowTitle(), QStringLiteral("Messages < 1 Message(s) >"));
    QCOMPARE(paneLines(), QStringList({"WARNING: four"}));
    QCOMPARE(logLines().size(), 5);
}

void TestMessageHandler::withoutErrorLog()
{
    setMessageOutputLog(nullptr);
    qWarning("window only");
    qInfo("nowhere");
    QCOMPARE(logText(), QString());
    QCOMPARE(paneLines(), QStringList({"WARNING: window only"}));
}

void TestMessageHandler::closedLogFileIsLeftAlone()
{
    qDebug("before close");
    m_file->close();
    qWarning("after close");
    QCOMPARE(logLines(), QStringList({"before close"}));
    QCOMPARE(paneLines(), QStringList({"before close", "WARNING: after close"}));
}

void TestMessageHandler::messageFromAnotherThread()
{
    std::unique_ptr<QThread> worker(QThread::create([]() { qWarning("from worker %d", 7); }));
    worker->start();
    QVERIFY(worker->wait(30000));

    // The file is written on the calling thread, the window only on its own.
    QCOMPARE(logLines(), QStringList({"from worker 7"}));
    QCOMPARE(paneText(), QString());
    QTRY_COMPARE(paneLines(), QStringList({"WARNING: from worker 7"}));
    QCOMPARE(m_box->windowTitle(), QStringLiteral("Messages < 1 Message(s) >"));
}

void TestMessageHandler::manyThreadsKeepLinesWhole()
{
    const int threads = 4;
    const int perThread = 100;
    std::vector<std::unique_ptr<QThread>> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back(QThread::create([t, perThread]() {
            for (int i = 0; i < perThread; ++i)
                qDebug("worker %d message %d", t, i);
        }));
    }
    for (auto &w : workers)
        w->start();
    for (auto &w : workers)
        QVERIFY(w->wait(60000));

    const QString raw = logText();
    const QStringList rawLines = raw.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(rawLines.size(), threads * perThread);
    const QRegularExpression whole(QStringLiteral("^") + timePrefix +
                                   QStringLiteral("worker (\\d) message (\\d+)$"));
    QSet<QString> seen;
    for (const QString &line : rawLines) {
        const auto m = whole.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        seen.insert(m.captured(1) + QLatin1Char('/') + m.captured(2));
    }
    QCOMPARE(seen.size(), threads * perThread);

    QTRY_COMPARE(m_box->windowTitle(),
                 QStringLiteral("Messages < %1 Message(s) >").arg(threads * perThread));
}

void TestMessageHandler::messageWhileWritingDoesNotRecurse_data()
{
    QTest::addColumn<bool>("direct");
    QTest::newRow("through qWarning") << false;
    QTest::newRow("handler called directly") << true;
}

void TestMessageHandler::messageWhileWritingDoesNotRecurse()
{
    QFETCH(bool, direct);
    NoisyDevice device;
    device.direct = direct;
    QVERIFY(device.open(QIODevice::WriteOnly));
    QTextStream stream(&device);
    setMessageOutputLog(&stream);

    qDebug("outer");

    setMessageOutputLog(nullptr);
    const QRegularExpression one(QStringLiteral("^") + timePrefix + QStringLiteral("outer\n$"));
    QVERIFY2(one.match(QString::fromUtf8(device.written)).hasMatch(), device.written.constData());
    QCOMPARE(paneLines(), QStringList({"outer"}));
}

void TestMessageHandler::windowGoneBeforeQueuedMessage()
{
    std::unique_ptr<QThread> worker(QThread::create([]() { qWarning("late"); }));
    worker->start();
    QVERIFY(worker->wait(30000));

    // The queued display dies with the window; later messages only log.
    m_box.reset();
    QCoreApplication::processEvents();
    qWarning("after the window");
    QCOMPARE(logLines(), QStringList({"late", "after the window"}));
}

static int runFatalChild(const char *logPath)
{
    int argc = 1;
    char name[] = "fatal-child";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QFile file(QString::fromLocal8Bit(logPath));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return 2;
    QTextStream stream(&file);
    ScrollMessageDlg box(nullptr, QStringLiteral("Messages"), QString());
    setMessageOutputWindow(&box);
    setMessageOutputLog(&stream);
    qInstallMessageHandler(messageOutput);
    qDebug("before fatal");
    qFatal("fatal end");
    qDebug("after fatal");
    return 0;
}

void TestMessageHandler::fatalIsLoggedLastAndAborts()
{
    const QString path = m_dir.filePath(QStringLiteral("fatal.log"));
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fatal-child"), path});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(f.readAll());
    const QRegularExpression expected(QStringLiteral("^") + timePrefix +
                                      QStringLiteral("before fatal\n") + timePrefix +
                                      QStringLiteral("fatal end\n$"));
    QVERIFY2(expected.match(text).hasMatch(), qPrintable(text));
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--fatal-child") == 0)
        return runFatalChild(argv[2]);

    QApplication app(argc, argv);
    TestMessageHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_messagehandler.moc"
