#ifndef SUPPORT_MESSAGES_H
#define SUPPORT_MESSAGES_H

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Every message that passes the handler while alive, as "C text" (critical
// and fatal), "W text" (warning) or "D text" (debug and info).
struct MessageLog {
    MessageLog() { previous = qInstallMessageHandler(collect); }
    ~MessageLog() { qInstallMessageHandler(previous); }
    MessageLog(const MessageLog &) = delete;
    MessageLog &operator=(const MessageLog &) = delete;

    // The messages so far, with `fileName` written as F, and forgets them.
    static QStringList take(const QString &fileName = QString())
    {
        QStringList out = lines;
        lines.clear();
        if (!fileName.isEmpty())
            out.replaceInStrings(fileName, QStringLiteral("F"));
        return out;
    }
    static void collect(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        const char kind = type == QtWarningMsg                      ? 'W'
                          : type == QtDebugMsg || type == QtInfoMsg ? 'D'
                                                                    : 'C';
        lines << QString(QLatin1Char(kind)) + QLatin1Char(' ') + text;
    }

    inline static QStringList lines;
    QtMessageHandler previous;
};

#endif // SUPPORT_MESSAGES_H
