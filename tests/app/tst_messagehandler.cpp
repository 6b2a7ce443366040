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
const QString stamp = QStringLiteral("\\d\\d:\\d\\d:\\d\\d: ");

// Lines of `text` with the time stamp taken out from behind any window prefix;
// a line without a proper stamp stays whole so that comparisons show it.
QStringList unstamped(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^(WARNING: |ERROR: )?") + stamp);
    QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &line : lines) {
        const auto m = re.match(line);
        if (m.hasMatch())
            line = m.captured(1) + line.mid(m.capturedLength());
    }
    return lines;
}

// A log device that itself complains on every write, as a failing disk would;
// `direct` calls the handler as a chained handler would, past the toolkit's re-entry check.
class NoisyDevice : public QIODevice
{
public:
    bool direct = false;
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        if (direct)
            messageOutput(QtWarningMsg, QMessageLogContext(), QStringLiteral("complaint"));
        else
            qWarning("complaint");
        written.append(data, int(len));
        return len;
    }
};

int runFatalChild(const char *logPath)
{
    int argc = 1;
    char name[] = "fatal-child";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QFile file(QString::fromLocal8Bit(logPath));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
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
} // namespace

class TestMessageHandler : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QFile m_file;
    QTextStream m_stream;
    std::unique_ptr<ScrollMessageDlg> m_box;
    QtMessageHandler m_previous = nullptr;

    QString logText()
    {
        QFile f(m_file.fileName());
        return f.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(f.readAll())
                                                             : QString();
    }
    QString paneText() { return m_box->findChild<QTextEdit *>()->toPlainText(); }

private slots:
    void init()
    {
        m_file.setFileName(m_dir.filePath(QStringLiteral("error.log")));
        QVERIFY(m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text));
        m_stream.setDevice(&m_file);
        m_box.reset(new ScrollMessageDlg(nullptr, QStringLiteral("Messages"), QStringLiteral("x")));
        setMessageOutputWindow(m_box.get());
        setMessageOutputLog(&m_stream);
        m_previous = qInstallMessageHandler(messageOutput);
    }
    void cleanup()
    {
        qInstallMessageHandler(m_previous);
        setMessageOutputLog(nullptr);
        m_box.reset(); // takes itself out of the handler
        m_file.close();
    }

    void lines_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QString>("shown"); // null: not shown
        const auto row = [](const char *name, QtMsgType type, const char *text, const char *logged,
                            const char *shown) {
            QTest::newRow(name) << int(type) << text << logged << QString(shown);
        };
        row("debug", QtDebugMsg, "Connected", "Connected", "Connected");
        row("warning", QtWarningMsg, "Socket error 1", "Socket error 1", "WARNING: Socket error 1");
        row("critical", QtCriticalMsg, "Can't open x", "Can't open x", "ERROR: Can't open x");
        row("info only in the file", QtInfoMsg, "note", "note", nullptr);
        row("one newline dropped", QtDebugMsg, "AGWPE used.\n", "AGWPE used.", "AGWPE used.");
        row("two newlines keep one", QtWarningMsg, "twice\n\n", "twice\n", "WARNING: twice");
        row("rich text shown formatted", QtDebugMsg, "<b>bold</b> news", "<b>bold</b> news",
            "bold news");
    }
    void lines()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(QString, logged);
        QFETCH(QString, shown);
        messageOutput(QtMsgType(type), QMessageLogContext(), text);

        // Written and flushed before the handler returns.
        const QRegularExpression line(QLatin1Char('^') + stamp +
                                      QRegularExpression::escape(logged) + QStringLiteral("\n$"));
        QVERIFY2(line.match(logText()).hasMatch(), qPrintable(logText()));
        const bool seen = !shown.isNull();
        QCOMPARE(unstamped(paneText()), seen ? QStringList(shown) : QStringList());
        QCOMPARE(m_box->windowTitle(),
                 seen ? QStringLiteral("Messages < 1 Message(s) >") : QString());
        QCOMPARE(m_box->isVisible(), seen);
    }

    void counterClearAndLogEnd()
    {
        qInfo("not counted");
        QCOMPARE(m_box->windowTitle(), QString());
        qDebug("one");
        qWarning("two");
        qDebug() << QStringLiteral("Error log file opened: %1").arg("err.log");
        QCOMPARE(m_box->windowTitle(), QStringLiteral("Messages < 3 Message(s) >"));
        QCOMPARE(unstamped(paneText()),
                 QStringList({"one", "WARNING: two", "\"Error log file opened: err.log\""}));

        QPushButton *clear = m_box->findChild<QPushButton *>();
        QCOMPARE(clear->text(), QStringLiteral("Clear"));
        clear->click();
        QCOMPARE(paneText(), QString());
        QCOMPARE(m_box->windowTitle(), QStringLiteral("Messages < 3 Message(s) >"));

        // A closed log file or none at all leaves the window alone.
        m_file.close();
        qCritical("closed");
        setMessageOutputLog(nullptr);
        qWarning("no log");
        QCOMPARE(m_box->windowTitle(), QStringLiteral("Messages < 2 Message(s) >"));
        QCOMPARE(unstamped(paneText()), QStringList({"ERROR: closed", "WARNING: no log"}));
        QCOMPARE(unstamped(logText()),
                 QStringList({"not counted", "one", "two", "\"Error log file opened: err.log\""}));
    }

    void messagesFromOtherThreads()
    {
        const int threads = 4, perThread = 100;
        std::vector<std::unique_ptr<QThread>> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back(QThread::create([t]() {
                for (int i = 0; i < perThread; ++i)
                    qWarning("worker %d message %d", t, i);
            }));
            workers.back()->start();
        }
        for (auto &w : workers)
            QVERIFY(w->wait(60000));

        // Every line whole in the file, written on the calling thread; the
        // window is only touched on its own thread.
        const QStringList lines = unstamped(logText());
        for (const QString &line : lines)
            QVERIFY2(QRegularExpression("^worker \\d message \\d+$").match(line).hasMatch(),
                     qPrintable(line));
        QCOMPARE(QSet<QString>(lines.begin(), lines.end()).size(), threads * perThread);
        QCOMPARE(paneText(), QString());
        QTRY_COMPARE(m_box->windowTitle(),
                     QStringLiteral("Messages < %1 Message(s) >").arg(threads * perThread));
        QVERIFY(unstamped(paneText()).first().startsWith(QStringLiteral("WARNING: worker ")));
    }

    void windowGoneBeforeQueuedMessage()
    {
        std::unique_ptr<QThread> worker(QThread::create([]() { qWarning("late"); }));
        worker->start();
        QVERIFY(worker->wait(30000));
        // The queued display dies with the window; later messages only log.
        m_box.reset();
        QCoreApplication::processEvents();
        qWarning("after the window");
        QCOMPARE(unstamped(logText()), QStringList({"late", "after the window"}));
    }

    void messageWhileWritingDoesNotRecurse_data()
    {
        QTest::addColumn<bool>("direct");
        QTest::newRow("through qWarning") << false;
        QTest::newRow("handler called directly") << true;
    }
    void messageWhileWritingDoesNotRecurse()
    {
        QFETCH(bool, direct);
        NoisyDevice device;
        device.direct = direct;
        QVERIFY(device.open(QIODevice::WriteOnly));
        QTextStream stream(&device);
        setMessageOutputLog(&stream);
        qDebug("outer");
        setMessageOutputLog(nullptr);
        QCOMPARE(unstamped(QString::fromUtf8(device.written)), QStringList({"outer"}));
        QCOMPARE(unstamped(paneText()), QStringList({"outer"}));
    }

    void fatalIsLoggedLastAndAborts()
    {
        const QString path = m_dir.filePath(QStringLiteral("fatal.log"));
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--fatal-child"), path});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(unstamped(QString::fromUtf8(f.readAll())),
                 QStringList({"before fatal", "fatal end"}));
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--fatal-child") == 0)
        return runFatalChild(argv[2]);
    QApplication app(argc, argv);
    TestMessageHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_messagehandler.moc"
