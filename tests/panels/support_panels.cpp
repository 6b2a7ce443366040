#include "support_panels.h"

#include "ostrelfwmanager.h"
#include "treeproxymodel.h"

#include <QtTest>
#include <QtWidgets>

SampleModels::SampleModels()
{
    dataModel.loadDevXMLs();
    QList<QString> noMapFiles;
    treeModel.reset(new TreeModel(&dataModel, &noMapFiles));
}

TreeItem *SampleModels::device(quint32 address) const
{
    return treeModel->deviceByAddress.value(address, nullptr);
}

QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + 3) & 0xFF);
    return bytes;
}

QString patternFile(const QTemporaryDir &dir, const QString &name, int size)
{
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(pattern(size));
    return file.fileName();
}

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

bool pickDevice(OstrelFWManager *manager, TreeItem *node)
{
    TreeProxyModel *proxy = manager->proxyModel;
    QModelIndex found;
    std::function<void(const QModelIndex &)> walk = [&](const QModelIndex &parent) {
        for (int r = 0; r < proxy->rowCount(parent); ++r) {
            const QModelIndex i = proxy->index(r, 0, parent);
            if (proxy->mapToSource(i).internalPointer() == node)
                found = i;
            walk(i);
        }
    };
    walk(QModelIndex());
    if (found.isValid()) {
        manager->deviceView->setCurrentIndex(found);
        manager->slotDeviceSelected(0);
    }
    return found.isValid();
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

void checkCommand(QWidget *panel, CommandCatcher &sent, const QString &button,
                  const QByteArray &slot, const QString &message)
{
    QVERIFY(QMetaObject::invokeMethod(panel, slot.constData()));
    QTest::mouseClick(panel->findChild<QPushButton *>(button), Qt::LeftButton);
    QCOMPARE(sent.records.size(), size_t(2));
    QCOMPARE(messageOf(*sent.records[0]), message);
    QCOMPARE(messageOf(*sent.records[1]), message);
    QCOMPARE(sent.records[1]->direction, unsigned(OstrelTableRecord::Out));
}

HandMadeRecord::HandMadeRecord(quint32 id, const QString &name, const QVariantMap &values)
{
    packet.id = id;
    packet.name = name;
    packet.type = OstrelPacketRecord::DataIn;
    record.packet = name.isEmpty() ? nullptr : &packet;
    record.src = 0x9; // not the unit: only the id and the name select
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        record.fieldValues.insert(it.key().toUInt(), it.value());
}

namespace
{
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
    if (auto *edit = qobject_cast<QTextEdit *>(w))
        return edit->toPlainText() + (edit->isReadOnly() ? "read-only" : "");
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text() + (edit->isReadOnly() ? "read-only" : "");
    return QStringLiteral("?");
}

bool isOwn(QWidget *w)
{
    return !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"));
}
} // namespace

QStringList shownBy(QWidget *panel, const std::function<void(OstrelTableRecord *)> &display,
                    TreeModel *tree, quint16 id, quint16 src, const QString &name,
                    const QVariant &input)
{
    QList<QWidget *> edits;
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        if (!isOwn(w))
            continue;
        if (auto *edit = qobject_cast<QTextEdit *>(w))
            edit->setText(w->objectName());
        else if (auto *edit = qobject_cast<QLineEdit *>(w))
            edit->setText(w->objectName());
        else
            continue;
        edits << w;
    }
    if (input.type() == QVariant::ByteArray) {
        OstrelTableModel history(tree);
        QObject::connect(&history, &OstrelTableModel::signalIncomingMsg, panel, display);
        const QByteArray data = input.toByteArray();
        auto *buffer = new uint8_t[size_t(data.size())];
        std::copy(data.begin(), data.end(), buffer);
        history.slotNewFromOstrel(ostrel_message{id, src, 0x1, quint16(data.size()), buffer}, data);
        if (history.rowCount() != 1)
            return {QStringLiteral("not taken into the history")};
    } else {
        HandMadeRecord made(id, name, input.toMap());
        display(&made.record);
    }
    QStringList changed;
    for (QWidget *w : edits) {
        if (describe(w) != w->objectName())
            changed << w->objectName() + QLatin1Char('=') + describe(w);
    }
    changed.sort();
    return changed;
}

void checkFormObject(QWidget *panel, const QString &name, const QString &className,
                     const QString &parentName, int order, const QRect &rect, const QString &text)
{
    const QList<QWidget *> found = panel->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *w = found.first();
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    QCOMPARE(w->parentWidget()->objectName(), parentName);
    QCOMPARE(w->parent()->children().indexOf(w), order);
    if (!rect.isNull())
        QCOMPARE(w->geometry(), rect);
    QCOMPARE(describe(w), text);
}

QMap<QString, int> formObjectCounts(QWidget *panel, const QMap<QString, int> &expected)
{
    QMap<QString, int> counts;
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        const QString className = QString::fromLatin1(w->metaObject()->className());
        if (isOwn(w) && expected.contains(className))
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
