#ifndef SUPPORT_CONSOLE_H
#define SUPPORT_CONSOLE_H

#include "cmdtreeswatch.h"
#include "ostrelexchangeinterface.h"
#include "startup.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <memory>

// The console as `main` builds it, on the sample resources/, given NAME VALUE pairs.
struct Console {
    explicit Console(const QStringList &pairs)
    {
        for (const QString &p : QStringList("velkaro") + pairs)
            bytes << p.toUtf8();
        for (QByteArray &a : bytes)
            argv << a.data();
        startup = std::make_unique<Startup>(*qApp, argv.size(), argv.data());
    }
    MainWindow *window() const { return startup->window.get(); }
    template <class T> T *dock(const char *name) const
    {
        return window()->findChild<T *>(QString::fromLatin1(name));
    }
    // What the operator reads in the "Output" dock.
    QString output() const { return window()->findChild<QTextEdit *>()->toPlainText(); }
    // Picks a packet in "Tree" by the name it shows, as a click would.
    void pick(const QString &packet) const
    {
        QTreeView *view = dock<CmdTreeSwatch>("Tree")->treeView;
        QAbstractItemModel *m = view->model();
        view->setCurrentIndex(m->match(m->index(0, 0), Qt::DisplayRole, packet, 1,
                                       Qt::MatchExactly | Qt::MatchRecursive)
                                  .value(0));
    }

    QList<QByteArray> bytes;
    QVector<char *> argv;
    std::unique_ptr<Startup> startup;
};

// A power switch state message (0x480 from 7 to 1) received from the radio.
inline void receiveFeeders(const QByteArray &data)
{
    emit ostrelIF->ostrel_RX_message(ostrel_message{0x480, 0x7, 0x1, 4, nullptr}, data);
}

// Reads each message box into `seen` ("title|text") and accepts it.
struct ModalAnswerer {
    QString seen;
    QTimer timer;
    ModalAnswerer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this]() {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen = box->windowTitle() + "|" + box->text();
                box->accept();
            }
        });
        timer.start(10);
    }
};

#endif // SUPPORT_CONSOLE_H
