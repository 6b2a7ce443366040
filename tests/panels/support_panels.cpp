#include "support_panels.h"

#include <QtTest>
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

HandMadeRecord::HandMadeRecord(quint32 id, const QString &name, const QVariantMap &values)
{
    packet.id = id;
    packet.name = name;
    packet.type = OstrelPacketRecord::DataIn;
    record.packet = &packet;
    record.src = 0x9; // not the unit: only the id and the name select
    QMap<unsigned int, QVariant> byNumber;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        byNumber.insert(it.key().toUInt(), it.value());
    record.fieldValues = byNumber;
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

namespace
{
QList<QWidget *> valueEdits(QWidget *panel)
{
    QList<QWidget *> edits;
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        if ((qobject_cast<QTextEdit *>(w) || qobject_cast<QLineEdit *>(w)) &&
            !w->objectName().startsWith(QLatin1String("qt_")))
            edits << w;
    }
    return edits;
}
} // namespace

void markEdits(QWidget *panel)
{
    for (QWidget *w : valueEdits(panel)) {
        if (auto *edit = qobject_cast<QTextEdit *>(w))
            edit->setText(w->objectName());
        else
            qobject_cast<QLineEdit *>(w)->setText(w->objectName());
    }
}

QStringList changedEdits(QWidget *panel)
{
    QStringList changed;
    for (QWidget *w : valueEdits(panel)) {
        if (describe(w) != w->objectName())
            changed << w->objectName() + QLatin1Char('=') + describe(w);
    }
    changed.sort();
    return changed;
}

void checkFormObject(QWidget *panel, const QString &name, const QString &className,
                     const QString &parentName, const QRect &rect, const QString &text)
{
    const QList<QWidget *> found = panel->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *w = found.first();
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QCOMPARE(w->parentWidget()->objectName(), parentName);
    if (!rect.isNull())
        QCOMPARE(w->geometry(), rect);
    QCOMPARE(describe(w), text);
}

QMap<QString, int> formObjectCounts(QWidget *panel, const QMap<QString, int> &expected)
{
    QMap<QString, int> counts;
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        const QString className = QString::fromLatin1(w->metaObject()->className());
        if (expected.contains(className) && !w->objectName().startsWith(QLatin1String("qt_")))
            ++counts[className];
    }
    return counts;
}

DesktopFont::DesktopFont() : platformFont(QApplication::font())
{
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
}

DesktopFont::~DesktopFont()
{
    QApplication::setFont(platformFont);
}
