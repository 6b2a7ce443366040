#ifndef MESSAGEHANDLER_H
#define MESSAGEHANDLER_H

#include <QString>
#include <QtGlobal>

class QTextStream;
class ScrollMessageDlg;

// The targets of the message handler. Start-up sets `messageOutputBox`
// before it installs the handler and opens the error log after; once the
// handler is installed, change them only through the setters below, which
// take the same lock as the handler's writing.
extern ScrollMessageDlg *messageOutputBox;
extern QString errLogName;
extern QTextStream *errLogStream;

// The Qt message handler: stamps each message with the time of day, appends
// it to the error log (flushed at once) and shows it in the message window.
// It may be called from any thread: the log write is serialised and the
// window is only ever touched on its own (GUI) thread. A message raised
// while the handler itself is writing goes to standard error instead of
// coming back into the handler.
void messageOutput(QtMsgType type, const QMessageLogContext &context, const QString &msg);

void setMessageOutputWindow(ScrollMessageDlg *window);
// Pass null before closing the log file so that no later message writes to it.
void setMessageOutputLog(QTextStream *stream);
// Called by the message window as it goes, so the handler never reaches a
// window that no longer exists.
void messageHandlerWindowDestroyed(ScrollMessageDlg *window);

#endif // MESSAGEHANDLER_H
