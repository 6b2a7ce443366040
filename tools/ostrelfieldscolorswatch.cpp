#include "ostrelfieldscolorswatch.h"

#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "packeteditlayout.h"
#include "toolsresources.h"
#include "treeitem.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>

namespace
{

// The main window sizes its docks from their size hints; a hint that
// followed each packet's fields would move every neighbouring dock each
// time the operator picks something, and a click aimed at one control
// would land on another. The contents scroll instead.
class SteadyGroupBox : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;
    QSize sizeHint() const override { return QSize(480, 260); }
    QSize minimumSizeHint() const override { return QSize(260, 240); }
};

} // namespace

static QString hexText(quint32 value)
{
    return QObject::tr("0x%1").arg(value, 1, 16).toUpper();
}

OstrelFieldsColorSwatch::OstrelFieldsColorSwatch(const QString &name, QWidget *parent,
                                                 Qt::WindowFlags flags)
    : ColorSwatch(name, parent, flags)
{
    layout = new PacketEditLayout(-1, -1, -1);

    packetGroup = new SteadyGroupBox(tr("Ostrel packet contents"));
    auto *row = new QHBoxLayout(packetGroup);
    fieldsGroup = new QGroupBox(tr("Fields"));
    scrollArea = new QScrollArea(packetGroup);
    scrollArea->setWidget(fieldsGroup);
    scrollArea->setWidgetResizable(true);
    scrollArea->setFrameShape(QFrame::NoFrame);
    fieldsGroup->setLayout(layout);

    // Joins the row with the first load; until then it is kept out of sight.
    headerGroup = new QGroupBox(packetGroup);
    headerGroup->setMaximumWidth(190);
    headerGroup->hide();
    auto *headerColumn = new QVBoxLayout(headerGroup);
    firstAddressEdit = new QLineEdit;
    firstAddressEdit->setFixedSize(60, 25);
    secondAddressEdit = new QLineEdit;
    secondAddressEdit->setFixedSize(60, 25);
    // Carries the loaded message id until sending reads it back; never shown.
    msgIdEdit = new QLineEdit(this);
    msgIdEdit->setFixedSize(80, 25);
    msgIdEdit->hide();
    firstLabel = new QLabel;
    secondLabel = new QLabel;
    descriptionLabel = new QLabel;
    descriptionLabel->setMaximumWidth(180);
    descriptionLabel->setWordWrap(true);

    headerColumn->addWidget(descriptionLabel);
    headerColumn->addStretch();
    auto *addressColumn = new QVBoxLayout;
    const Qt::Alignment leftTop = Qt::AlignLeft | Qt::AlignTop;
    addressColumn->addWidget(secondLabel, 0, leftTop);
    addressColumn->addWidget(secondAddressEdit, 0, leftTop);
    addressColumn->addWidget(firstLabel, 0, leftTop);
    addressColumn->addWidget(firstAddressEdit, 0, leftTop);
    headerColumn->addLayout(addressColumn);

    row->addWidget(scrollArea, 0, Qt::AlignTop);

    actionShow->setIcon(toolsIcon(QStringLiteral("info_12x24.png")));
    setWidget(packetGroup);
}

OstrelFieldsColorSwatch::~OstrelFieldsColorSwatch()
{
    delete currentRecord;
}

void OstrelFieldsColorSwatch::rebuild(TreeItem *item, OstrelTableRecord *rec)
{
    auto *row = static_cast<QHBoxLayout *>(packetGroup->layout());
    row->removeWidget(scrollArea);
    row->removeWidget(headerGroup);
    // Takes the fields group, the old layout, its rows and any work record
    // that was never handed on.
    delete scrollArea;
    update();

    layout = new PacketEditLayout(-1, -1, -1);
    if (rec)
        layout->fromOstrelTableRecord(rec);
    else
        layout->fromOstrelTreeItem(item);
    connect(layout, &PacketEditLayout::signalAddField2Graph, this,
            &OstrelFieldsColorSwatch::slotAdd2Graph);

    fieldsGroup = new QGroupBox(tr("Fields"));
    scrollArea = new QScrollArea(packetGroup);
    scrollArea->setWidgetResizable(true);
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setWidget(fieldsGroup);
    fieldsGroup->setLayout(layout);

    if (rec)
        updateHeaderFromTableRecord(rec);
    else
        updateHeaderFromTreeItem();

    row->addWidget(headerGroup);
    headerGroup->show();
    row->addWidget(scrollArea);
    scrollArea->show();
    setWidget(packetGroup);
}

void OstrelFieldsColorSwatch::updateHeaderFromTreeItem()
{
    TreeItem *item = currentTreeItem;
    if (!item || !item->packet)
        return;
    firstLabel->setText(tr("Device address"));
    firstAddressEdit->setText(hexText(item->deviceTag.devAddress));
    secondLabel->setText(tr("Base station address"));
    secondAddressEdit->setText(hexText(item->deviceTag.baseAddress));
    msgIdEdit->setText(hexText(item->packet->id));
    headerGroup->setTitle(item->data(0).toString());
    descriptionLabel->setText(item->packet->desc);
}

void OstrelFieldsColorSwatch::updateHeaderFromTableRecord(OstrelTableRecord *rec)
{
    if (!rec)
        return;
    // A datain record names its sender under "Destination address": that
    // is where a reply to it would go.
    const bool command = rec->packetHeader.type == OstrelPacketRecord::Command;
    firstLabel->setText(tr("Destination address"));
    firstAddressEdit->setText(hexText(command ? rec->dst : rec->src));
    secondLabel->setText(tr("Source address"));
    secondAddressEdit->setText(hexText(command ? rec->src : rec->dst));
    msgIdEdit->setText(hexText(rec->packetHeader.id));
    if (TreeItem *item = rec->treeItem) {
        headerGroup->setTitle(item->data(0).toString());
        descriptionLabel->setText(item->packet ? item->packet->desc : QString());
    }
}

void OstrelFieldsColorSwatch::slotUpdateFromTreeItem(TreeItem *item)
{
    if (!item)
        return;
    currentTreeItem = item;
    if (item->packet)
        rebuild(item, nullptr);
}

void OstrelFieldsColorSwatch::setCurrentRecordCopy(OstrelTableRecord *rec)
{
    // Copy before letting go of the old one: rec may be the current record.
    auto *copy = new OstrelTableRecord;
    copy->copyFromPacketTable(rec);
    copy->recordId = rec->recordId;
    currentTreeItem = copy->treeItem;
    rebuild(nullptr, copy);
    delete currentRecord;
    currentRecord = copy;
}

void OstrelFieldsColorSwatch::slotUpdateFromTableRecord(OstrelTableRecord *rec)
{
    if (!rec || !rec->treeItem)
        return;
    setCurrentRecordCopy(rec);
}

QLineEdit *OstrelFieldsColorSwatch::readHeaderInto(OstrelTableRecord *rec)
{
    // A box reads in the notation it is filled with ("0X21") or the one the
    // fields take ("33", "0x21"); the message header carries 16 bits, so a
    // wider value would go out cut to another device's address.
    QLineEdit *firstRefused = nullptr;
    uint address[2] = {0, 0};
    QLineEdit *const boxes[2] = {secondAddressEdit, firstAddressEdit};
    const QLabel *const labels[2] = {secondLabel, firstLabel};
    for (int i = 0; i < 2; ++i) {
        bool ok = false;
        const qlonglong value = boxes[i]->text().toLongLong(&ok, 0);
        if (ok && value >= 0 && value <= 0xFFFF) {
            address[i] = uint(value);
            continue;
        }
        qCritical().noquote() << tr("%1 has incompatible value (%2) for an address (0..0xFFFF)")
                                     .arg(labels[i]->text(), boxes[i]->text());
        if (!firstRefused)
            firstRefused = boxes[i];
    }
    if (firstRefused)
        return firstRefused;
    rec->src = address[0];
    rec->dst = address[1];
    // Filled by the dock alone, always from a 16-bit id.
    rec->packetHeader.id = uint(msgIdEdit->text().toInt(nullptr, 0));
    return nullptr;
}

void OstrelFieldsColorSwatch::slotPrepareCmd2Que()
{
    OstrelTableRecord *work = layout ? layout->workRecord : nullptr;
    if (!work || !work->packet || work->packetHeader.type != OstrelPacketRecord::Command)
        return;

    // A command with an address or a value the operator did not type never
    // goes out. Every box and field is checked, so one attempt names each
    // refusal; the editors keep what was typed and the first one refused
    // takes the focus, so it can be corrected and Return pressed again.
    QLineEdit *refusedBox = readHeaderInto(work);
    const QList<uint> refused = layout->updatePacketFields();
    if (refusedBox || !refused.isEmpty()) {
        if (refusedBox)
            refusedBox->setFocus();
        else if (QWidget *editor = layout->fieldEditors.value(refused.first()))
            editor->setFocus();
        return;
    }
    work->status = OstrelTableRecord::Ready;
    work->composeOstrelMessage();

    // The rebuild below deletes the field editor that has the focus, and
    // takes the focus from an address box too; it goes back to the same
    // field's new editor or to the box. Left to Qt it would move on, and
    // the operator's next Return would send nothing or press another
    // window's button.
    const uint focusedField = fieldWithFocus();
    const QPointer<QWidget> focused = QApplication::focusWidget();

    // From here on the record is the declared taker's; without one it stays
    // ours and is freed once every receiver has copied it.
    layout->releaseWorkRecord();
    const bool taken = commandTaken;
    emit signalCmd2QueSend(work);

    // The taker leaves the record valid until control returns to the event
    // loop; show a fresh copy of it, which also replaces the layout that
    // still points at the record.
    setCurrentRecordCopy(work);
    if (!taken)
        delete work;
    if (QWidget *editor = layout->fieldEditors.value(focusedField))
        editor->setFocus();
    else if (focused)
        focused->setFocus();
}

uint OstrelFieldsColorSwatch::fieldWithFocus() const
{
    const QWidget *focus = QApplication::focusWidget();
    for (auto it = layout->fieldEditors.cbegin(); focus && it != layout->fieldEditors.cend(); ++it)
        if (it.value() == focus || it.value()->isAncestorOf(focus))
            return it.key();
    return 0;
}

void OstrelFieldsColorSwatch::slotUpdateCmdInQue()
{
    OstrelTableRecord *work = layout ? layout->workRecord : nullptr;
    if (!currentRecord || !work || work->packetHeader.type != OstrelPacketRecord::Command)
        return;
    QLineEdit *refusedBox = readHeaderInto(currentRecord);
    if (!layout->updatePacketFields().isEmpty() || refusedBox)
        return;
    currentRecord->status = OstrelTableRecord::Ready;
    currentRecord->copyFieldValues(work);
    currentRecord->composeOstrelMessage();
    emit signalCmdInQueUpdate(currentRecord);
    setCurrentRecordCopy(currentRecord);
}

void OstrelFieldsColorSwatch::slotAdd2Graph(QMenu *menu, TreeItem *item, uint recId)
{
    emit signalAdd2Graph(menu, item, recId);
}

void OstrelFieldsColorSwatch::keyPressEvent(QKeyEvent *event)
{
    // Other keys are swallowed here on purpose: they must not reach the
    // main window. A held Return sends once.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        keyRepeat.isHandPress(event))
        slotPrepareCmd2Que();
}
