#include "support_rack.h"

#include <QApplication>
#include <QInputDialog>
#include <QTimer>

RackSamples::RackSamples()
{
    dataModel.loadDevXMLs();
    QList<QString> noMapFiles;
    treeModel.reset(new TreeModel(&dataModel, &noMapFiles));
}

std::unique_ptr<OstrelTableRecord> pswRecord(TreeModel *tree, quint16 msgId, const QByteArray &data,
                                             qint64 ms)
{
    std::unique_ptr<OstrelTableRecord> rec(new OstrelTableRecord);
    QByteArray bytes = data;
    tag_ostrel_message msg{msgId, 0x7, 0x1, quint16(bytes.size()),
                           reinterpret_cast<uint8_t *>(bytes.data())};
    rec->copyOstrelMessage(&msg);
    rec->data = data;
    rec->fillFromOstrelMsg(tree);
    rec->created = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    return rec;
}

QByteArray feeders(std::initializer_list<int> ports)
{
    QByteArray b(4, '\0'); // bits count from the most significant of the first byte
    for (int p : ports)
        b[(p - 1) / 8] = char(b[(p - 1) / 8] | (0x80 >> ((p - 1) % 8)));
    return b;
}

QAction *actionNamed(const QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

void onNextModal(const std::function<void(QWidget *)> &answer)
{
    QTimer::singleShot(0, qApp, [answer] {
        QWidget *w = QApplication::activePopupWidget();
        if (!w)
            w = QApplication::activeModalWidget();
        if (w)
            answer(w);
        else
            onNextModal(answer); // the caller has not blocked in it yet
    });
}

void answerInput(const std::function<void()> &ask, const QString &text)
{
    onNextModal([text](QWidget *w) {
        auto *input = qobject_cast<QInputDialog *>(w);
        if (input && !text.isNull()) {
            input->setTextValue(text);
            input->accept();
        } else {
            w->close();
        }
    });
    ask();
}

QStringList MessageLog::take(const QString &fileName)
{
    QStringList out = lines;
    lines.clear();
    if (!fileName.isEmpty())
        out.replaceInStrings(fileName, QStringLiteral("F"));
    return out;
}

void MessageLog::collect(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    const char kind = type == QtWarningMsg                      ? 'W'
                      : type == QtDebugMsg || type == QtInfoMsg ? 'D'
                                                                : 'C';
    lines << QString(QLatin1Char(kind)) + QLatin1Char(' ') + text;
}
