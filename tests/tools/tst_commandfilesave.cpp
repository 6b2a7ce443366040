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
    const rlimit small{bytes, saved.rlim_max};
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

// Answers the question before a file is replaced with `button`, keeping its
// first line; a file dialog still open after it is cancelled.
void answerReplace(QObject *scope, QMessageBox::StandardButton button, QString *asked)
{
    auto *timer = new QTimer(scope);
    QObject::connect(timer, &QTimer::timeout, [button, asked] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            *asked = box->text().section('\n', 0, 0);
            box->button(button)->click();
        } else if (qobject_cast<QFileDialog *>(modal) && !asked->isEmpty()) {
            static_cast<QDialog *>(modal)->reject();
        }
    });
    timer->start(10);
}

} // namespace

// A save never replaces the operator's file unasked, and one that cannot
// finish keeps the file as it was and says why.
class TestCommandFileSave : public QObject
{
    Q_OBJECT

    template <typename Dock> void save(const QString &name)
    {
        CommandDock<Dock> f;
        addCommand(&f.table, kOn, 40);
        const QByteArray old = "the file as it was\n";
        const QString path = f.write(name, old);
        QString asked;
        {
            // "plan" typed beside "plan.que": the question names "plan.que".
            QObject scope;
            answerReplace(&scope, QMessageBox::No, &asked);
            answerFileDialog(path.chopped(4));
            f.dock->slotBtnSavePressed();
        }
        QCOMPARE(asked, name + " already exists.");
        QCOMPARE(contentOf(path), old);

        QObject scope;
        asked.clear();
        answerReplace(&scope, QMessageBox::Yes, &asked);
        answerFileDialog(path);
        QTest::ignoreMessage(
            QtCriticalMsg,
            QRegularExpression("^Error writing to " + QRegularExpression::escape(path) + "\n.+"));
        withFileSizeLimit(8, [&] { f.dock->slotBtnSavePressed(); });
        QCOMPARE(contentOf(path), old);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList(name));
    }

private slots:
    void queue() { save<OstrelQueSwatch>("plan.que"); }
    void schedule() { save<CommandSchedule>("pass.sch"); }
};

QTEST_MAIN(TestCommandFileSave)
#include "tst_commandfilesave.moc"
