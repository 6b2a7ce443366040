#include "support_rack.h"

#include <QApplication>
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

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("|") : a->text());
    return texts;
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
