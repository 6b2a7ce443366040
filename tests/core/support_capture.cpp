#include "support_capture.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

QString captureStdout(const std::function<void()> &fn)
{
    QTemporaryFile tmp;
    if (!tmp.open())
        return QStringLiteral("<capture failed>");
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(tmp.handle(), STDOUT_FILENO);
    fn();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    tmp.seek(0);
    return QString::fromUtf8(tmp.readAll());
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}
