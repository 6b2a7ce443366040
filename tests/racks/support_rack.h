#ifndef SUPPORT_RACK_H
#define SUPPORT_RACK_H

#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "treemodel.h"

#include <QAction>
#include <QMenu>

#include <functional>
#include <memory>

// The sample device descriptions and satellite map from resources/.
struct RackSamples {
    RackSamples();
    OstrelDataModel dataModel;
    std::unique_ptr<TreeModel> treeModel;
    TreeItem *node(uint devAddr, uint msgId) const { return treeModel->findDevMsg(devAddr, msgId); }
};

// A decoded telemetry record of the power switch (device 7) stamped `ms`.
std::unique_ptr<OstrelTableRecord> pswRecord(TreeModel *tree, quint16 msgId, const QByteArray &data,
                                             qint64 ms);

// feeders_state (0x480) with port n's bit set for each n in `ports`.
QByteArray feeders(std::initializer_list<int> ports);

QAction *actionNamed(const QMenu *menu, const QString &text);

// Runs `answer` on the next modal dialog or popup once the caller blocks in it.
void onNextModal(const std::function<void(QWidget *)> &answer);

// Answers the input dialog that `ask` opens with `text` (cancels it when null).
void answerInput(const std::function<void()> &ask, const QString &text);

// Every message while alive, as "C text", "W text" or "D text" (debug, info).
struct MessageLog {
    MessageLog() { previous = qInstallMessageHandler(collect); }
    ~MessageLog()
    {
        qInstallMessageHandler(previous);
        lines.clear();
    }
    MessageLog(const MessageLog &) = delete;
    MessageLog &operator=(const MessageLog &) = delete;
    // The messages so far, with `fileName` written as F; forgets them.
    static QStringList take(const QString &fileName = QString());
    static void collect(QtMsgType type, const QMessageLogContext &, const QString &text);
    inline static QStringList lines;
    QtMessageHandler previous;
};

#endif // SUPPORT_RACK_H
