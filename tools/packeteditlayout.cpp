#include "packeteditlayout.h"

#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"

#include <QApplication>
#include <QCheckBox>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSpacerItem>
#include <QTextEdit>
#include <QWidget>

#include <climits>

PacketEditLayout::PacketEditLayout(QWidget *parent, int margin, int hSpacing, int vSpacing)
    : QLayout(parent), hSpace(hSpacing), vSpace(vSpacing)
{
    setContentsMargins(margin, margin, margin, margin);
    workRecord = new OstrelTableRecord;
}

PacketEditLayout::PacketEditLayout(int margin, int hSpacing, int vSpacing)
    : hSpace(hSpacing), vSpace(vSpacing)
{
    setContentsMargins(margin, margin, margin, margin);
    workRecord = new OstrelTableRecord;
}

PacketEditLayout::~PacketEditLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
    if (ownsWorkRecord)
        delete workRecord;
}

void PacketEditLayout::releaseWorkRecord()
{
    ownsWorkRecord = false;
}

void PacketEditLayout::fromOstrelTreeItem(TreeItem *item)
{
    if (!item)
        return;
    sourceItem = item;
    if (!workRecord) {
        workRecord = new OstrelTableRecord;
        ownsWorkRecord = true;
    }
    workRecord->fromOstrelTreeItem(item);
    populateLayout();
}

void PacketEditLayout::fromOstrelTableRecord(OstrelTableRecord *rec)
{
    if (!rec)
        return;
    if (!workRecord) {
        workRecord = new OstrelTableRecord;
        ownsWorkRecord = true;
    }
    workRecord->copyFromPacketTable(rec);
    populateLayout();
}

static QLineEdit *fileLineEditOf(QWidget *box)
{
    return box ? box->findChild<QLineEdit *>(QStringLiteral("fileName"), Qt::FindDirectChildrenOnly)
               : nullptr;
}

void PacketEditLayout::populateLayout()
{
    if (!workRecord)
        return;
    fieldEditors.clear();
    OstrelPacketRecord *packet = workRecord->packet;
    if (!packet)
        return;

    for (OstrelFieldRecord *field = packet->nextField(true); field;
         field = packet->nextField(false)) {
        const QVariant value = workRecord->fieldValues.value(field->fieldNum);
        const QString text = field->valToStr(value);

        auto *row = new QHBoxLayout;
        auto *nameLabel = new QLabel(field->name);
        nameLabel->setWordWrap(true);
        row->addWidget(nameLabel);
        row->addItem(new QSpacerItem(10, 10, QSizePolicy::Expanding, QSizePolicy::Minimum));

        QWidget *editor = nullptr;
        switch (field->type) {
        case OstrelFieldRecord::TypeInt:
        case OstrelFieldRecord::TypeUInt:
        case OstrelFieldRecord::TypeFloat:
        case OstrelFieldRecord::TypeDouble: {
            auto *edit = new QLineEdit(text);
            edit->setFixedSize(100, 25);
            edit->setReadOnly(!field->editable);
            edit->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(edit, &QWidget::customContextMenuRequested, this,
                    &PacketEditLayout::slotHandleContextMenu);
            editor = edit;
            break;
        }
        case OstrelFieldRecord::TypeBit: {
            auto *box = new QCheckBox;
            box->setChecked(value.toBool());
            box->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(box, &QWidget::customContextMenuRequested, this,
                    &PacketEditLayout::slotHandleContextMenu);
            if (!field->editable)
                connect(box, &QCheckBox::stateChanged, this,
                        &PacketEditLayout::slotCheckBoxDumpCheck);
            editor = box;
            break;
        }
        case OstrelFieldRecord::TypeFile: {
            auto *box = new QGroupBox;
            auto *boxRow = new QHBoxLayout(box);
            auto *edit = new QLineEdit(text);
            edit->setObjectName(QStringLiteral("fileName"));
            edit->setFixedSize(100, 25);
            boxRow->addWidget(edit);
            // Focus given to the field lands where its text is typed.
            box->setFocusProxy(edit);
            auto *button = new QPushButton(tr("File..."));
            button->setFixedSize(50, 25);
            boxRow->addWidget(button);
            connect(button, &QPushButton::released, this, &PacketEditLayout::slotHandleFileDialog);
            editor = box;
            break;
        }
        default: { // string, data and any unknown type
            auto *edit = new QTextEdit;
            // 25 pixels hold one line: wrapped, the rest of a value would
            // hide below it, and a scroll bar would eat the width.
            edit->setLineWrapMode(QTextEdit::NoWrap);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setPlainText(text);
            edit->setFixedSize(100, 25);
            edit->setEnabled(field->editable);
            editor = edit;
            break;
        }
        }
        row->addWidget(editor);

        row->addWidget(
            new QLabel(tr("  %1\n  (Offset: %2, Len: %3, Type: %4)")
                           .arg(field->desc, QString::number(uint(field->bitOffset)),
                                QString::number(uint(field->bitLen)), field->type2str())));

        fieldEditors.insert(field->fieldNum, editor);
        addChildLayout(row);
        addItem(row);
    }
}

namespace
{

// The words a description names field types by.
QString typeWord(OstrelFieldRecord::FieldType type)
{
    static const char *const words[] = {"int",    "uint", "float", "double",
                                        "string", "data", "bit",   "file"};
    return type <= OstrelFieldRecord::TypeFile ? QLatin1String(words[type])
                                               : QStringLiteral("(Unknown)");
}

// Reads an editor's text as the value of its field. False when the value
// would not go out as typed: a text that does not read, or one that reads
// but does not fit the field's width, in which case *range names what fits.
bool readFieldText(const OstrelFieldRecord &field, const QString &text, QVariant *value,
                   QString *range)
{
    switch (field.type) {
    case OstrelFieldRecord::TypeInt:
    case OstrelFieldRecord::TypeUInt: {
        bool ok = false;
        const qint64 v = text.toLongLong(&ok, 0);
        if (!ok)
            return false;
        // What fits the width as signed or as unsigned goes out as the same
        // bits. The value travels in 32 bits; a wider field carries zeros
        // above them, so there only what reads the same unsigned fits.
        const int width = field.bitLen > 0 && field.bitLen < 32 ? field.bitLen : 32;
        const qint64 lowest = field.bitLen > 32 ? 0 : -(qint64(1) << (width - 1));
        const qint64 highest = (qint64(1) << width) - 1;
        if (v < lowest || v > highest) {
            *range = QObject::tr("%1 bits: %2..%3").arg(field.bitLen).arg(lowest).arg(highest);
            return false;
        }
        const quint32 bits = quint32(quint64(v) & quint64(highest));
        if (field.type == OstrelFieldRecord::TypeInt)
            *value = QVariant(v <= INT_MAX ? int(v) : int(bits));
        else
            *value = QVariant(bits);
        return true;
    }
    case OstrelFieldRecord::TypeData: {
        // Hex digit pairs, blanks between them allowed: anything else would
        // be skipped by the conversion and shift every byte after it.
        QString digits = text;
        if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            digits.remove(0, 2);
        digits.remove(QRegularExpression(QStringLiteral("\\s")));
        static const QRegularExpression pairs(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
        if (!pairs.match(digits).hasMatch())
            return false;
        const QByteArray bytes = QByteArray::fromHex(digits.toLatin1());
        const int room = (field.bitLen + 7) / 8;
        if (field.bitLen > 0 && bytes.size() > room) {
            *range = QObject::tr("%1 bits: at most %2 bytes").arg(field.bitLen).arg(room);
            return false;
        }
        *value = QVariant(bytes);
        return true;
    }
    case OstrelFieldRecord::TypeFile: {
        // The file's bytes are what the field sends; without them the
        // command would go out short.
        QFile file(text);
        if (text.isEmpty() || !file.open(QIODevice::ReadOnly))
            return false;
        *value = QVariant(text);
        return true;
    }
    default: { // float, double, string
        bool ok = true;
        *value = OstrelFieldRecord::valFromStr(text, field.type, &ok);
        return ok;
    }
    }
}

} // namespace

QList<uint> PacketEditLayout::updatePacketFields()
{
    QList<uint> refused;
    if (!workRecord)
        return refused;
    // Written only once every editor has read: a command is sent whole or
    // not at all.
    QMap<uint, QVariant> values;
    const QMap<uint, QWidget *> editors = fieldEditors;
    for (auto it = editors.constBegin(); it != editors.constEnd(); ++it) {
        OstrelFieldRecord *field =
            workRecord->packet ? workRecord->packet->fields.value(it.key()) : nullptr;
        if (!field) {
            qCritical("field not found in packet description!");
            refused << it.key();
            break;
        }
        if (!workRecord->fieldValues.contains(it.key()))
            continue;

        QString text;
        switch (field->type) {
        case OstrelFieldRecord::TypeInt:
        case OstrelFieldRecord::TypeUInt:
        case OstrelFieldRecord::TypeFloat:
        case OstrelFieldRecord::TypeDouble:
            if (auto *edit = qobject_cast<QLineEdit *>(it.value()))
                text = edit->text();
            break;
        case OstrelFieldRecord::TypeString:
        case OstrelFieldRecord::TypeData:
            if (auto *edit = qobject_cast<QTextEdit *>(it.value()))
                text = edit->toPlainText();
            break;
        case OstrelFieldRecord::TypeFile:
            if (QLineEdit *edit = fileLineEditOf(it.value()))
                text = edit->text();
            break;
        case OstrelFieldRecord::TypeBit:
            if (auto *box = qobject_cast<QCheckBox *>(it.value()))
                values.insert(it.key(), QVariant(box->isChecked()));
            continue;
        default:
            continue;
        }

        QVariant value;
        QString range;
        if (readFieldText(*field, text, &value, &range)) {
            values.insert(it.key(), value);
            continue;
        }
        refused << it.key();
        QString type = typeWord(field->type);
        if (!range.isEmpty())
            type += QStringLiteral(" (%1)").arg(range);
        qCritical().noquote()
            << tr("field %1 has incompatible value (%2) for type %3").arg(field->name, text, type);
    }
    if (refused.isEmpty())
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            workRecord->fieldValues[it.key()] = it.value();
    return refused;
}

uint PacketEditLayout::fieldNumOf(QWidget *editor, bool *found) const
{
    for (auto it = fieldEditors.constBegin(); it != fieldEditors.constEnd(); ++it) {
        if (it.value() == editor) {
            *found = true;
            return it.key();
        }
    }
    *found = false;
    return 0;
}

void PacketEditLayout::slotHandleContextMenu(QPoint pos)
{
    auto *editor = qobject_cast<QWidget *>(sender());
    contextEditor = editor;
    bool found = false;
    const uint fieldNum = fieldNumOf(editor, &found);
    if (!editor || !found)
        return;

    QPointer<QMenu> menu;
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        menu = edit->createStandardContextMenu();
    else
        menu = new QMenu;
    menu->addSeparator();
    plotSubmenu = menu->addMenu(tr("Add to plot"));
    emit signalAddField2Graph(plotSubmenu, workRecord ? workRecord->treeItem : nullptr, fieldNum);
    menu->exec(editor->mapToGlobal(pos));
    plotSubmenu = nullptr;
    delete menu.data();
}

void PacketEditLayout::slotCheckBoxDumpCheck(int state)
{
    auto *box = qobject_cast<QCheckBox *>(sender());
    if (!box)
        return;
    // Blocked, or setting it back would itself be undone again.
    const QSignalBlocker blocker(box);
    box->setChecked(state == Qt::Unchecked);
}

void PacketEditLayout::slotHandleFileDialog()
{
    auto *button = qobject_cast<QPushButton *>(sender());
    if (!button)
        return;
    QLineEdit *edit = fileLineEditOf(button->parentWidget());
    if (!edit)
        return;
    const QString fileName =
        QFileDialog::getOpenFileName(button, tr("File to send"), edit->text(),
                                     tr("Binary or text (*.bin *.txt);;All files (*.*)"));
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        qCritical("Can't open file %s", fileName.toLatin1().constData());
        return;
    }
    // The bytes are read only when the message is composed.
    qDebug("File %s (size %d) is ready to send", fileName.toLatin1().constData(), int(file.size()));
    file.close();
    edit->setText(fileName);
}

void PacketEditLayout::slotAddToPlotAction(QPoint pos)
{
    Q_UNUSED(pos);
    bool found = false;
    fieldNumOf(contextEditor, &found);
    if (contextEditor && found)
        contextEditor = nullptr;
}

int PacketEditLayout::horizontalSpacing() const
{
    return hSpace >= 0 ? hSpace : smartSpacing(QStyle::PM_LayoutHorizontalSpacing);
}

int PacketEditLayout::verticalSpacing() const
{
    return vSpace >= 0 ? vSpace : smartSpacing(QStyle::PM_LayoutVerticalSpacing);
}

int PacketEditLayout::smartSpacing(QStyle::PixelMetric pm) const
{
    QObject *parentObject = parent();
    if (!parentObject)
        return -1;
    if (parentObject->isWidgetType()) {
        auto *pw = static_cast<QWidget *>(parentObject);
        return pw->style()->pixelMetric(pm, nullptr, pw);
    }
    return static_cast<QLayout *>(parentObject)->spacing();
}

int PacketEditLayout::contentsMarginValue() const
{
    const QMargins m = contentsMargins();
    return (m.left() == m.top() && m.top() == m.right() && m.right() == m.bottom()) ? m.left() : -1;
}

void PacketEditLayout::addItem(QLayoutItem *item)
{
    items.append(item);
}

Qt::Orientations PacketEditLayout::expandingDirections() const
{
    return Qt::Orientations();
}

QSize PacketEditLayout::minimumSize() const
{
    QSize size(-1, -1);
    for (QLayoutItem *item : items)
        size = size.expandedTo(item->minimumSize());
    const int m = contentsMarginValue();
    return size + QSize(2 * m, 2 * m);
}

void PacketEditLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    doLayout(rect, false);
}

QLayoutItem *PacketEditLayout::itemAt(int index) const
{
    return (index >= 0 && index < items.size()) ? items.at(index) : nullptr;
}

QLayoutItem *PacketEditLayout::takeAt(int index)
{
    return (index >= 0 && index < items.size()) ? items.takeAt(index) : nullptr;
}

int PacketEditLayout::count() const
{
    return items.size();
}

bool PacketEditLayout::hasHeightForWidth() const
{
    return true;
}

int PacketEditLayout::heightForWidth(int width) const
{
    return doLayout(QRect(0, 0, width, 0), true);
}

QSize PacketEditLayout::sizeHint() const
{
    return minimumSize();
}

int PacketEditLayout::doLayout(const QRect &rect, bool testOnly) const
{
    int left = 0, top = 0, right = 0, bottom = 0;
    getContentsMargins(&left, &top, &right, &bottom);
    const QRect area = rect.adjusted(+left, +top, -right, -bottom);
    int x = area.x();
    int y = area.y();
    int lineHeight = 0;

    for (QLayoutItem *item : items) {
        // A row is a layout without a widget of its own; the application's
        // style stands in when neither the layout nor its parent sets a gap.
        const QWidget *w = item->widget();
        const QStyle *style = w ? w->style() : QApplication::style();
        int spaceX = horizontalSpacing();
        if (spaceX == -1)
            spaceX = style->layoutSpacing(QSizePolicy::PushButton, QSizePolicy::PushButton,
                                          Qt::Horizontal);
        int spaceY = verticalSpacing();
        if (spaceY == -1)
            spaceY = style->layoutSpacing(QSizePolicy::PushButton, QSizePolicy::PushButton,
                                          Qt::Vertical);

        const QSize hint = item->sizeHint();
        if (x + hint.width() > area.right() && lineHeight > 0) {
            x = area.x();
            y = y + lineHeight + spaceY;
            lineHeight = 0;
        }
        if (!testOnly)
            item->setGeometry(QRect(QPoint(x, y), hint));
        x = x + hint.width() + spaceX;
        lineHeight = qMax(lineHeight, hint.height());
    }
    return y + lineHeight - rect.y() + bottom;
}
