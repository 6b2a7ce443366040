#include "support_panels.h"

#include <QtWidgets>

SampleModels::SampleModels()
{
    dataModel.loadDevXMLs();
    QList<QString> noMapFiles;
    treeModel.reset(new TreeModel(&dataModel, &noMapFiles));
}

QString messageOf(const OstrelTableRecord &record)
{
    const ostrel_message &m = record.message;
    const QByteArray bytes =
        m.data ? QByteArray(reinterpret_cast<const char *>(m.data), m.length) : QByteArray();
    return QStringLiteral("0x%1 %2->%3 [%4] %5")
        .arg(m.msg_id, 0, 16)
        .arg(m.src, 0, 16)
        .arg(m.dst, 0, 16)
        .arg(m.length)
        .arg(QString::fromLatin1(bytes.toHex()));
}

void receive(OstrelTableModel *history, quint16 msgId, quint16 src, const QByteArray &data)
{
    auto *buffer = new uint8_t[size_t(data.size())];
    std::copy(data.begin(), data.end(), buffer);
    history->slotNewFromOstrel(ostrel_message{msgId, src, 0x1, quint16(data.size()), buffer}, data);
}

HandMadeRecord::HandMadeRecord(quint32 id, const QString &name,
                               const QMap<unsigned int, QVariant> &values)
{
    packet.id = id;
    packet.name = name;
    packet.type = 1;
    record.packet = &packet;
    record.fieldValues = values;
}

QString describe(QWidget *w)
{
    if (auto *box = qobject_cast<QGroupBox *>(w))
        return box->title();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text() + (label->wordWrap() ? QStringLiteral(", wrapped") : QString());
    if (auto *spin = qobject_cast<QSpinBox *>(w))
        return QStringLiteral("%1..%2").arg(spin->minimum()).arg(spin->maximum());
    const QString readOnly = QStringLiteral(", read-only");
    if (auto *edit = qobject_cast<QTextEdit *>(w))
        return edit->toPlainText() + (edit->isReadOnly() ? readOnly : QString());
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text() + (edit->isReadOnly() ? readOnly : QString());
    return QStringLiteral("?");
}
