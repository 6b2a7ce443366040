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

QString leHex(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return QString::fromLatin1(bytes.toHex());
}

namespace
{
QModelIndex indexOf(TreeModel *tree, TreeItem *item)
{
    if (!item->parentItem())
        return QModelIndex();
    return tree->index(item->row(), 0, indexOf(tree, item->parentItem()));
}
} // namespace

bool pickDevice(OstrelFWManager *manager, TreeItem *node)
{
    const QModelIndex shown = manager->proxyModel->mapFromSource(indexOf(manager->treeModel, node));
    if (!shown.isValid())
        return false;
    manager->deviceView->setCurrentIndex(shown);
    manager->slotDeviceSelected(0);
    return true;
}

QString messageOf(const OstrelTableRecord &record)
{
    const ostrel_message &m = record.message;
    const QByteArray bytes =
        m.data ? QByteArray(reinterpret_cast<const char *>(m.data), m.length) : QByteArray();
    return QString::asprintf("0x%x %x->%x [%d] ", m.msg_id, m.src, m.dst, m.length) +
           QString::fromLatin1(bytes.toHex());
}

void checkCommand(QWidget *panel, CommandCatcher &sent, const CommandRow &command)
{
    for (QSpinBox *spin : panel->findChildren<QSpinBox *>())
        spin->setValue(1999);
    auto *button = panel->findChild<QPushButton *>(command.button);
    if (auto *own = button->parentWidget()->findChild<QSpinBox *>())
        own->setValue(command.value);
    QVERIFY(QMetaObject::invokeMethod(panel, command.slot));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(sent.records.size(), size_t(2));
    QCOMPARE(messageOf(*sent.records[0]), QString(command.message));
    QCOMPARE(messageOf(*sent.records[1]), QString(command.message));
    QCOMPARE(sent.records[1]->direction, unsigned(OstrelTableRecord::Out));
    QCOMPARE(sent.records[1]->status, unsigned(OstrelTableRecord::Ready));
}

namespace
{
bool isOwn(QWidget *w)
{
    return !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"));
}
} // namespace

QString shownBy(QWidget *panel, const std::function<void(OstrelTableRecord *)> &display,
                TreeModel *tree, quint16 id, quint16 src, const QString &name, const QString &input)
{
    if (!input.contains('=')) {
        OstrelTableModel history(tree);
        QObject::connect(&history, &OstrelTableModel::signalIncomingMsg, panel, display);
        const QByteArray data = QByteArray::fromHex(input.toLatin1());
        auto *buffer = new uint8_t[size_t(data.size())]; // the record's from here on
        std::copy(data.begin(), data.end(), buffer);
        history.slotNewFromOstrel(ostrel_message{id, src, 0x1, quint16(data.size()), buffer}, data);
        if (history.rowCount() != 1)
            return QStringLiteral("not taken into the history");
    } else {
        OstrelPacketRecord packet;
        packet.id = id;
        packet.name = name;
        packet.type = OstrelPacketRecord::DataIn;
        OstrelTableRecord record;
        record.packet = name.isEmpty() ? nullptr : &packet;
        record.src = 0x9; // not the unit: only the id and the name select
        for (const QString &value : input.split(' '))
            record.fieldValues.insert(value.section('=', 0, 0).toUInt(), value.section('=', 1));
        display(&record);
    }
    // A hidden panel keeps its value texts until it is opened.
    panel->show();
    QStringList shown;
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        const auto *textEdit = qobject_cast<QTextEdit *>(w);
        const auto *lineEdit = qobject_cast<QLineEdit *>(w);
        const QString text = textEdit ? textEdit->toPlainText() : lineEdit ? lineEdit->text() : "";
        if (!text.isEmpty() && isOwn(w))
            shown << w->objectName() + QLatin1Char('=') + text;
    }
    shown.sort();
    return shown.join(' ');
}

QString formObject(QWidget *panel, const QString &name)
{
    const QList<QWidget *> found = panel->findChildren<QWidget *>(name);
    if (found.size() != 1)
        return QStringLiteral("%1 found").arg(found.size());
    QWidget *w = found.first();
    QString place = QString::asprintf("%d,%d %dx%d", w->x(), w->y(), w->width(), w->height());
    auto *grid = qobject_cast<QGridLayout *>(w->parentWidget()->layout());
    if (grid && grid->indexOf(w) >= 0) {
        int row, column, rows, columns;
        grid->getItemPosition(grid->indexOf(w), &row, &column, &rows, &columns);
        place = QString::asprintf("%d,%d %dx%d", row, column, rows, columns);
    }
    QString text;
    if (auto *box = qobject_cast<QGroupBox *>(w))
        text = box->title();
    else if (auto *button = qobject_cast<QAbstractButton *>(w))
        text = button->text();
    else if (auto *label = qobject_cast<QLabel *>(w))
        text = label->text();
    else if (auto *spin = qobject_cast<QSpinBox *>(w))
        text = QStringLiteral("%1..%2").arg(spin->minimum()).arg(spin->maximum());
    return QStringLiteral("%1 in %2 #%3 at %4: %5")
        .arg(w->metaObject()->className(), w->parentWidget()->objectName())
        .arg(w->parent()->children().indexOf(w))
        .arg(place, text);
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
