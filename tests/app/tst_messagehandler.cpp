// The message handler, its error log and the Output pane that shows messages.

#include "messagehandler.h"
#include "scrollmessagedlg.h"

#include <QScrollBar>
#include <QTextEdit>
#include <QTextStream>
#include <QtTest>

#include <memory>
#include <thread>

namespace
{
const QString stamp = QStringLiteral("\\d\\d:\\d\\d:\\d\\d: ");

// Lines with the time stamp taken out from behind any window prefix.
QStringList unstamped(QString text)
{
    text.replace(QRegularExpression("(?m)^(WARNING: |ERROR: )?" + stamp), "\\1");
    return text.split('\n', Qt::SkipEmptyParts);
}

// A disk that fills up, or that complains on every write straight to the
// handler as a chained handler would, past the toolkit's own re-entry check.
struct Disk : QIODevice {
    bool full = false;
    bool noisy = false;
    QByteArray written;
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        if (noisy)
            messageOutput(QtWarningMsg, QMessageLogContext(), QStringLiteral("complaint"));
        if (full) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        written.append(data, int(len));
        return len;
    }
};

} // namespace

class TestMessageHandler : public QObject
{
    Q_OBJECT

    Disk m_disk;
    QTextStream m_stream;
    std::unique_ptr<ScrollMessageDlg> m_box;

    QString logText() { return QString::fromUtf8(m_disk.written); }
    QString paneText() { return m_box->findChild<QTextEdit *>()->toPlainText(); }

private slots:
    void init()
    {
        m_disk.written.clear();
        m_disk.full = m_disk.noisy = false;
        QVERIFY(m_disk.open(QIODevice::WriteOnly));
        m_stream.setDevice(&m_disk);
        m_box.reset(new ScrollMessageDlg(nullptr, QStringLiteral("Messages"), QStringLiteral("x")));
        setMessageOutputWindow(m_box.get());
        setMessageOutputLog(&m_stream);
        qInstallMessageHandler(messageOutput);
    }
    void cleanup()
    {
        qInstallMessageHandler(nullptr);
        setMessageOutputLog(nullptr);
        m_box.reset(); // takes itself out of the handler
        m_disk.close();
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
        row("two newlines keep one", QtWarningMsg, "twice\n\n", "twice\n", "WARNING: twice");
        // Shown as written, whatever it looks like; a line break stays in
        // the message's one paragraph.
        row("markup", QtCriticalMsg, "value (<b>9</b>) &amp; <img src=x>",
            "value (<b>9</b>) &amp; <img src=x>", "ERROR: value (<b>9</b>) &amp; <img src=x>");
        row("line break", QtWarningMsg, "<i>Failed</i> to open a\nreason",
            "<i>Failed</i> to open a\nreason", "WARNING: <i>Failed</i> to open a\nreason");
    }
    void lines()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(QString, logged);
        QFETCH(QString, shown);
        messageOutput(QtMsgType(type), QMessageLogContext(), text);

        // Written and flushed before the handler returns.
        const QRegularExpression line('^' + stamp + QRegularExpression::escape(logged) + "\n\\z");
        QVERIFY2(line.match(logText()).hasMatch(), qPrintable(logText()));
        const bool seen = !shown.isNull();
        QCOMPARE(unstamped(paneText()).join('\n'), shown);
        QCOMPARE(m_box->findChild<QTextEdit *>()->document()->blockCount(), 1);
        QCOMPARE(m_box->windowTitle(), seen ? "Messages < 1 Message(s) >" : QString());
        QCOMPARE(m_box->isVisible(), seen);
    }

    // The pane follows the newest message through bursts and a rewrap, but
    // not while the operator has scrolled up.
    void paneShowsTheNewest()
    {
        QScrollBar *bar = m_box->findChild<QTextEdit *>()->verticalScrollBar();
        m_box->resize(400, 200);
        const QString words = QStringLiteral("a long warning that wraps ").repeated(60);
        auto burst = [&words](int n) {
            for (int i = 0; i < n; ++i)
                qWarning("%d %s", i, qPrintable(words));
        };
        qWarning("first");
        QVERIFY(QTest::qWaitForWindowExposed(m_box.get()));
        burst(21);
        QTRY_VERIFY(bar->isVisible() && bar->maximum() > 0);
        QTRY_COMPARE(bar->value(), bar->maximum());

        const int wide = bar->maximum();
        m_box->resize(250, 200);
        QTRY_VERIFY(bar->maximum() > wide);
        QTRY_COMPARE(bar->value(), bar->maximum());

        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        const int reading = bar->value();
        burst(3);
        QTRY_VERIFY(bar->maximum() > reading + bar->pageStep());
        QCOMPARE(bar->value(), reading);

        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        const int bottom = bar->maximum();
        burst(3);
        QTRY_VERIFY(bar->maximum() > bottom);
        QTRY_COMPARE(bar->value(), bar->maximum());
    }

    // Every message still reaches the window; the failing log is said once a spell.
    void failedLogWritesReportedOncePerSpell()
    {
        Disk &disk = m_disk;
        errLogName = QStringLiteral("error.log");
        const QString failure =
            QStringLiteral("WARNING: Can't write the error log error.log: No space left on device");
        disk.full = true;
        qWarning("one");
        qWarning("two");
        disk.full = false;
        qWarning("three");
        disk.full = true;
        qWarning("four");
        setMessageOutputLog(nullptr);
        QCOMPARE(unstamped(paneText()), QStringList({failure, "WARNING: one", "WARNING: two",
                                                     "WARNING: three", failure, "WARNING: four"}));
    }

    void messageWhileWritingDoesNotRecurse()
    {
        m_disk.noisy = true;
        qDebug("outer");
        QCOMPARE(unstamped(logText()), QStringList({"outer"}));
        QCOMPARE(unstamped(paneText()), QStringList({"outer"}));
    }

    void messagesFromOtherThreads()
    {
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t) {
            workers.emplace_back([t]() {
                for (int i = 0; i < 100; ++i)
                    qWarning("worker %d message %d", t, i);
            });
        }
        for (auto &w : workers)
            w.join();
        // Every line whole in the file; the window is only touched on its own thread.
        const QStringList lines = unstamped(logText());
        QCOMPARE(lines.filter(QRegularExpression("^worker \\d message \\d+$")).size(), 400);
        QCOMPARE(QSet<QString>(lines.begin(), lines.end()).size(), 400);
        QCOMPARE(paneText(), QString());
        QTRY_COMPARE(m_box->windowTitle(), QStringLiteral("Messages < 400 Message(s) >"));

        // A message still queued for a window that has gone reaches nothing.
        std::thread([]() { qWarning("late"); }).join();
        m_box.reset();
        QCoreApplication::processEvents();
        qWarning("after the window");
        QCOMPARE(unstamped(logText()).mid(400), QStringList({"late", "after the window"}));
    }
};

QTEST_MAIN(TestMessageHandler)
#include "tst_messagehandler.moc"
