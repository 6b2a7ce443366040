#include "commandschedule.h"
#include "ostrelqueswatch.h"
#include "support_tools.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>

namespace
{

// Runs `fn` with files limited to `bytes`: writes past it fail as on a full disk.
void withFileSizeLimit(rlim_t bytes, const std::function<void()> &fn)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto *previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
    fn();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The save dialog asks before it replaces a file: say yes.
void confirmReplace(QObject *owner)
{
    auto *timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            box->button(QMessageBox::Yes)->click();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

} // namespace

// A save that cannot finish keeps the operator's previous file and says why.
class TestCommandFileSave : public QObject
{
    Q_OBJECT

    template <typename Dock> void failedSaves(const QString &name)
    {
        CommandDock<Dock> f;
        addCommand(&f.table, kOn, 40);
        const QByteArray old = "the file as it was\n";
        const QString path = f.write(name, old);

        answerFileDialog(path);
        confirmReplace(this);
        QTest::ignoreMessage(
            QtCriticalMsg,
            QRegularExpression("^Error writing to " + QRegularExpression::escape(path) + "\n.+"));
        withFileSizeLimit(8, [&] { f.dock->slotBtnSavePressed(); });
        QCOMPARE(contentOf(path), old);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList(name));

        // The folder vanishes between the dialog and the write.
        const QString missing = f.write("gone/" + name, "");
        QTimer::singleShot(0, [missing] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->selectFile(missing);
            static_cast<QDialog *>(dialog)->accept();
            QVERIFY(QFileInfo(missing).dir().removeRecursively());
        });
        confirmReplace(this);
        QTest::ignoreMessage(QtCriticalMsg,
                             QRegularExpression("^Can't create file " +
                                                QRegularExpression::escape(missing) + "\n.+"));
        f.dock->slotBtnSavePressed();
        QVERIFY(!QFile::exists(missing));
    }

    // "plan" typed beside "plan.que": the dialog asks about "plan.que",
    // and "No" keeps it.
    template <typename Dock> void replaceAskedOfTheFileWritten(const QString &name)
    {
        CommandDock<Dock> f;
        addCommand(&f.table, kOn, 40);
        const QByteArray old = "the file as it was\n";
        const QString path = f.write(name, old);
        QString asked;
        QObject scope;
        auto *timer = new QTimer(&scope);
        QObject::connect(timer, &QTimer::timeout, [&asked] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                asked = box->text();
                box->button(QMessageBox::No)->click();
            } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                if (!asked.isEmpty())
                    dialog->reject(); // the operator gives up after "No"
            }
        });
        timer->start(10);
        answerFileDialog(path.chopped(4));
        f.dock->slotBtnSavePressed();
        QCOMPARE(asked.section('\n', 0, 0), name + " already exists.");
        QCOMPARE(contentOf(path), old);
    }

private slots:
    void queue() { failedSaves<OstrelQueSwatch>("plan.que"); }
    void schedule() { failedSaves<CommandSchedule>("pass.sch"); }
    void queueReplace() { replaceAskedOfTheFileWritten<OstrelQueSwatch>("plan.que"); }
    void scheduleReplace() { replaceAskedOfTheFileWritten<CommandSchedule>("pass.sch"); }
};

QTEST_MAIN(TestCommandFileSave)
#include "tst_commandfilesave.moc"
