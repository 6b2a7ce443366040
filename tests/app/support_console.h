#ifndef SUPPORT_CONSOLE_H
#define SUPPORT_CONSOLE_H

#include "cmdtreeswatch.h"
#include "ostrelexchangeinterface.h"
#include "startup.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <QVector>

#include <functional>
#include <memory>

// A command line of NAME VALUE pairs, as `main` receives it.
struct Args {
    explicit Args(const QStringList &pairs)
    {
        bytes << QByteArray("velkaro");
        for (const QString &p : pairs)
            bytes << p.toUtf8();
        for (QByteArray &a : bytes)
            argv << a.data();
    }
    QList<QByteArray> bytes;
    QVector<char *> argv;
};

// The console as `main` builds it, on the sample resources/.
struct Console {
    explicit Console(const QStringList &pairs) : args(pairs)
    {
        startup = std::make_unique<Startup>(*qApp, args.argv.size(), args.argv.data());
    }
    MainWindow *window() const { return startup->window.get(); }
    template <class T> T *dock(const char *name) const
    {
        return window()->findChild<T *>(QString::fromLatin1(name));
    }
    // What the operator reads in the "Output" dock.
    QString output() const
    {
        auto *pane = window()->findChild<QTextEdit *>();
        return pane ? pane->toPlainText() : QString();
    }
    // Picks a packet in "Tree" by the name it shows, as a click would.
    void pick(const QString &packet) const
    {
        QTreeView *view = dock<CmdTreeSwatch>("Tree")->treeView;
        QAbstractItemModel *m = view->model();
        view->setCurrentIndex(m->match(m->index(0, 0), Qt::DisplayRole, packet, 1,
                                       Qt::MatchExactly | Qt::MatchRecursive)
                                  .value(0));
    }

    Args args;
    std::unique_ptr<Startup> startup;
};

// A power switch state message (0x480 from 7 to 1) received from the radio.
inline void receiveFeeders(const QByteArray &data)
{
    emit ostrelIF->ostrel_RX_message(ostrel_message{0x480, 0x7, 0x1, 4, nullptr}, data);
}

// Answers the modal windows the code under test opens: message boxes are
// read into `seen` ("title|text") and accepted, anything else goes to `other`.
struct ModalAnswerer {
    QString seen;
    std::function<void(QWidget *)> other;
    QTimer timer;
    ModalAnswerer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this]() {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                seen = box->windowTitle() + "|" + box->text();
                box->accept();
            } else if (modal && other) {
                other(modal);
            }
        });
        timer.start(10);
    }
};

#endif // SUPPORT_CONSOLE_H
