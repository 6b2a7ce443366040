#ifndef SUPPORT_CONSOLE_H
#define SUPPORT_CONSOLE_H

#include "startup.h"

#include <QApplication>
#include <QStringList>
#include <QTextEdit>
#include <QVector>

#include <memory>

// The console as `main` builds it, on the sample resources/, with these
// NAME VALUE pairs on the command line.
struct Console {
    explicit Console(const QStringList &pairs)
    {
        args << QByteArray("velkaro");
        for (const QString &p : pairs)
            args << p.toUtf8();
        for (QByteArray &a : args)
            argv << a.data();
        startup = std::make_unique<Startup>(*qApp, argv.size(), argv.data());
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

    QList<QByteArray> args;
    QVector<char *> argv;
    std::unique_ptr<Startup> startup;
};

#endif // SUPPORT_CONSOLE_H
