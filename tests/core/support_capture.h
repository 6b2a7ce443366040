#ifndef SUPPORT_CAPTURE_H
#define SUPPORT_CAPTURE_H

#include <QByteArray>
#include <QString>

#include <functional>

// The description and configuration readers print their file-level
// messages on standard output: runs `fn` with descriptor 1 redirected.
QString captureStdout(const std::function<void()> &fn);

// Writes `content` to `path`, creating the folders on the way.
bool writeFile(const QString &path, const QByteArray &content);

#endif // SUPPORT_CAPTURE_H
