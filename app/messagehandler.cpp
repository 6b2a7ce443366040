#include "messagehandler.h"

#include "atomicwrite.h"
#include "scrollmessagedlg.h"

#include <QCoreApplication>
#include <QFileDevice>
#include <QIODevice>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>
#include <QThread>
#include <QTime>

#include <cstdio>
#include <cstdlib>

ScrollMessageDlg *messageOutputBox = nullptr;
QString errLogName;
QTextStream *errLogStream = nullptr;

namespace
{

QMutex handlerMutex;

// Set while this thread is inside the handler (or showing a message in the
// window); a message raised then is one of our own making.
thread_local bool inHandler = false;

// Set while writes to the error log fail, so that a full disk is reported
// once and not with every message.
bool errLogWriteFailed = false;

class HandlerGuard
{
public:
    HandlerGuard() : m_previous(inHandler) { inHandler = true; }
    ~HandlerGuard() { inHandler = m_previous; }

private:
    bool m_previous;
};

void showInWindow(ScrollMessageDlg *box, QtMsgType type, const QString &line)
{
    HandlerGuard guard;
    switch (type) {
    case QtDebugMsg:
        box->information(QString(), line);
        break;
    case QtWarningMsg:
        box->warning(QString(), line);
        break;
    case QtCriticalMsg:
    case QtFatalMsg:
        box->critical(QString(), line);
        break;
    case QtInfoMsg:
        break;
    }
}

QString reasonOf(QIODevice *device)
{
    if (auto *file = qobject_cast<QFileDevice *>(device))
        return writeFailureReason(*file);
    return device ? device->errorString() : QString();
}

} // namespace

void messageOutput(QtMsgType type, const QMessageLogContext &context, const QString &msg)
{
    Q_UNUSED(context);

    if (inHandler) {
        std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
        if (type == QtFatalMsg)
            std::abort();
        return;
    }

    HandlerGuard guard;

    QString line = QTime::currentTime().toString(Qt::TextDate) + QLatin1String(": ") + msg;
    if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);

    QMutexLocker lock(&handlerMutex);

    QString logFailure;
    if (errLogStream) {
        // A stream whose file was already closed would only complain.
        QIODevice *device = errLogStream->device();
        if (!device || device->isOpen()) {
            *errLogStream << line << '\n';
            errLogStream->flush();
            // Said once per spell of failures, in the window only: the log
            // is what just failed.
            if (errLogStream->status() == QTextStream::Ok) {
                errLogWriteFailed = false;
            } else {
                if (!errLogWriteFailed)
                    logFailure = QTime::currentTime().toString(Qt::TextDate) + QLatin1String(": ") +
                                 QCoreApplication::translate("MessageHandler",
                                                             "Can't write the error log %1: %2")
                                     .arg(errLogName, reasonOf(device));
                errLogWriteFailed = true;
                errLogStream->resetStatus();
            }
        }
    }

    if (!logFailure.isEmpty())
        std::fprintf(stderr, "%s\n", logFailure.toLocal8Bit().constData());

    ScrollMessageDlg *box = messageOutputBox;
    if (box && (type != QtInfoMsg || !logFailure.isEmpty())) {
        // An info message goes to the file only; showInWindow passes it over.
        auto show = [box, type, line, logFailure]() {
            if (!logFailure.isEmpty())
                showInWindow(box, QtWarningMsg, logFailure);
            showInWindow(box, type, line);
        };
        if (QThread::currentThread() == box->thread()) {
            // Only this thread can delete the window, so it outlives the call.
            lock.unlock();
            show();
        } else {
            // Posted while the lock keeps the window alive; the window's
            // destruction discards the call if it is still pending.
            QMetaObject::invokeMethod(box, show, Qt::QueuedConnection);
        }
    }

    if (type == QtFatalMsg)
        std::abort();
}

void setMessageOutputWindow(ScrollMessageDlg *window)
{
    QMutexLocker lock(&handlerMutex);
    messageOutputBox = window;
}

void setMessageOutputLog(QTextStream *stream)
{
    QMutexLocker lock(&handlerMutex);
    errLogStream = stream;
}

void messageHandlerWindowDestroyed(ScrollMessageDlg *window)
{
    QMutexLocker lock(&handlerMutex);
    if (messageOutputBox == window)
        messageOutputBox = nullptr;
}
