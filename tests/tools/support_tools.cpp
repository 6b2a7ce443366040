#include "support_tools.h"


#include <QtTest>
#include <QtWidgets>

#include <algorithm>

SampleModels::SampleModels()
{
    dataModel.loadDevXMLs();
    QList<QString> noMapFiles;
    treeModel.reset(new TreeModel(&dataModel, &noMapFiles));
}

HandMadePacket::HandMadePacket(quint32 id, int dataLen, const QList<FieldDef> &fields)
{
    auto *packet = dataModel.insertPacket(new OstrelPacketRecord);
    packet->id = id;
    packet->dataLen = dataLen;
    int offset = 0;
    for (const FieldDef &def : fields) {
        auto *field = packet->insertField(new OstrelFieldRecord);
        field->type = def.type;
        field->name = QString::fromLatin1(def.name);
        field->bitLen = def.bitLen;
        field->bitOffset = offset;
        offset += def.bitLen;
        field->editable = def.editable;
        field->defaultText = QString::fromLatin1(def.defaultText);
        bool ok = true;
        field->defaultValue = OstrelFieldRecord::valFromStr(field->defaultText, field->type, &ok);
        field->isHex = field->defaultText.startsWith(QLatin1String("0x")) ? 1 : 0;
    }
    node = new TreeItem({QStringLiteral("2A-probe"), QString()}, packet, &root);
    node->deviceTag.baseAddress = 0x1;
    node->deviceTag.devAddress = 0x2A;
    root.appendChild(node);
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

void addCommand(OstrelTableModel *model, const QString &line, unsigned int time)
{
    OstrelTableRecord rec;
    QVERIFY(rec.fromStr(line, model->descriptorModelGet()));
    rec.timeToSend = time;
    model->slotUpdateFromCmdEditor(&rec);
}

QStringList linesOf(OstrelTableModel *model, bool withTime)
{
    QStringList lines;
    for (int row = 0; row < model->rowCount(); ++row) {
        OstrelTableRecord *rec = model->itemAtRow(unsigned(row));
        lines << rec->toStr() + (withTime ? " @" + QString::number(rec->timeToSend) : QString());
    }
    return lines;
}

void answerFileDialog(const QString &path, QString *seen)
{
    QTimer::singleShot(0, [path, seen] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (seen)
            *seen = dialog->windowTitle() + " | " + dialog->directory().absolutePath() + " | " +
                    dialog->nameFilters().join(';');
        if (path.isEmpty())
            return dialog->reject();
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
}

void selectRows(QTableView *view, const QList<int> &rows)
{
    view->clearSelection();
    for (int row : rows)
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QList<int> selectedRows(QTableView *view)
{
    QList<int> rows;
    for (const QModelIndex &i : view->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QByteArray payloadOf(const ostrel_message &msg)
{
    QByteArray out;
    for (quint16 v : {msg.msg_id, msg.src, msg.dst, msg.length})
        out.append(char(v & 0xFF)).append(char(v >> 8));
    return out.append(reinterpret_cast<const char *>(msg.data), msg.data ? msg.length : 0);
}

void receive(OstrelTableModel *model, quint8 first)
{
    auto *buffer = new uint8_t[4]{first, 0, 0, 0};
    model->slotNewFromOstrel(ostrel_message{0x480, 0x7, 0x1, 4, buffer},
                             QByteArray(reinterpret_cast<char *>(buffer), 4));
}

void holdThenTap(QWidget *w, int key)
{
    const QList<QPair<QEvent::Type, ulong>> events{
        {QEvent::KeyPress, 1000},   {QEvent::KeyRelease, 1700}, {QEvent::KeyPress, 1700},
        {QEvent::KeyRelease, 1740}, {QEvent::KeyPress, 1740},   {QEvent::KeyRelease, 1780},
        {QEvent::KeyPress, 1780},   {QEvent::KeyRelease, 1800}, {QEvent::KeyPress, 2300},
        {QEvent::KeyRelease, 2400}};
    for (const auto &e : events) {
        QKeyEvent event(e.first, key, Qt::NoModifier);
        event.setTimestamp(e.second);
        QCoreApplication::sendEvent(w ? w : QApplication::focusWidget(), &event);
    }
}

namespace
{
QStringList *g_seen = nullptr;
}

MessageLog::MessageLog()
{
    g_seen = &seen;
    previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { *g_seen << text; });
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(previous);
}
