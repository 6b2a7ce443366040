#ifndef PACKETEDITLAYOUT_H
#define PACKETEDITLAYOUT_H

#include <QLayout>
#include <QList>
#include <QMap>
#include <QPoint>
#include <QRect>
#include <QStyle>

class OstrelTableRecord;
class QMenu;
class TreeItem;

// The "Fields" layout of the field editor: one row per field of a work
// record (name, an editor by field type, a description line), flowing left
// to right and wrapping when the width runs out. updatePacketFields() writes
// the editors back into the work record, or nothing at all when an editor
// holds a value that would not go out as typed.
//
// Ownership: the layout owns its rows and its work record until the record
// is handed on (releaseWorkRecord()); from then on the record belongs to
// whoever took it and the layout only keeps the pointer. The rows' widgets
// belong to the widget the layout is set on.
class PacketEditLayout : public QLayout
{
    Q_OBJECT
public:
    PacketEditLayout(QWidget *parent, int margin = -1, int hSpacing = -1, int vSpacing = -1);
    PacketEditLayout(int margin = -1, int hSpacing = -1, int vSpacing = -1);
    ~PacketEditLayout() override;

    void fromOstrelTreeItem(TreeItem *item);
    void fromOstrelTableRecord(OstrelTableRecord *rec);
    void populateLayout();
    // The numbers of the fields refused, in field order; empty when every
    // editor was written.
    QList<uint> updatePacketFields();
    // The work record has been handed to a new owner; the layout will no
    // longer free it.
    void releaseWorkRecord();

    int horizontalSpacing() const;
    int verticalSpacing() const;

    void addItem(QLayoutItem *item) override;
    Qt::Orientations expandingDirections() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    OstrelTableRecord *workRecord = nullptr;
    TreeItem *sourceItem = nullptr;
    QList<QLayoutItem *> items;
    QMap<uint, QWidget *> fieldEditors; // by field number; a file field's group box
    int hSpace = -1;
    int vSpace = -1;
    QWidget *contextEditor = nullptr;
    QMenu *plotSubmenu = nullptr;

signals:
    void signalAddField2Graph(QMenu *menu, TreeItem *item, uint fieldNum);

public slots:
    void slotHandleContextMenu(QPoint pos);
    void slotCheckBoxDumpCheck(int state);
    void slotHandleFileDialog();
    void slotAddToPlotAction(QPoint pos);

private:
    int doLayout(const QRect &rect, bool testOnly) const;
    int smartSpacing(QStyle::PixelMetric pm) const;
    int contentsMarginValue() const;
    uint fieldNumOf(QWidget *editor, bool *found) const;

    bool ownsWorkRecord = true;
};

#endif // PACKETEDITLAYOUT_H
