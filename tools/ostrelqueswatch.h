#ifndef OSTRELQUESWATCH_H
#define OSTRELQUESWATCH_H

#include "colorswatch.h"
#include "keyrepeatguard.h"

#include <QByteArray>
#include <QList>
#include <QModelIndex>
#include <QPoint>

class OstrelTableModel;
class OstrelTableRecord;
class QAction;
class QGroupBox;
class QHBoxLayout;
class QKeyEvent;
class QMenu;
class QPushButton;
class QTableView;
class QVBoxLayout;

// The queue file format: every record's command text line and a line feed.
QByteArray queueFileBytes(const QList<OstrelTableRecord *> &records);

// The command queue dock: prepared commands in a queue table model, sent
// one at a time (a sent command leaves the queue), reordered, deleted,
// saved to and appended from queue files. The dock does not own the model;
// whoever creates the dock connects its signals.
class OstrelQueSwatch : public ColorSwatch
{
    Q_OBJECT
public:
    explicit OstrelQueSwatch(const QString &name, QWidget *parent = nullptr,
                             Qt::WindowFlags flags = Qt::WindowFlags());
    ~OstrelQueSwatch() override;

    void setModel(OstrelTableModel *tableModel);
    void setDefaultQuePath(QString path);
    void loadFromFile(QString fileName);
    void updateOpenMenu();

    OstrelTableModel *model = nullptr;
    QGroupBox *groupBox = nullptr;
    QHBoxLayout *boxLayout = nullptr;
    QTableView *tableView = nullptr;
    QGroupBox *buttonBox = nullptr;
    QVBoxLayout *buttonLayout = nullptr;
    QPushButton *sendButton = nullptr;
    QPushButton *deleteButton = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *openButton = nullptr;
    QPushButton *upButton = nullptr;
    QPushButton *downButton = nullptr;
    QMenu *openMenu = nullptr;
    QAction *fromFileAction = nullptr;
    QString quePath;

signals:
    // A copy of the command to send; its receiver owns it.
    void signalSendFromQue(OstrelTableRecord *record);
    void signalDeleteFromQue(QList<QModelIndex> selection);
    // The "Add to rack" submenu, to be filled before it shows, and the
    // records of the selected rows, which stay the model's.
    void signalAddCommand2Button(QMenu *menu, QList<OstrelTableRecord *> records);

public slots:
    void slotBtnDeletePressed();
    void slotBtnSendPressed();
    void updateButtons();
    void slotBtnSavePressed();
    void slotBtnOpenPressed();
    void slotBtnUpPressed();
    void slotBtnDownPressed();
    void slotHandleContextMenu(const QPoint &pos);
    void copyToClipBoard();
    void keyPressEvent(QKeyEvent *event) override;
    void slotActOpenQue();
    void slotActOpenQueFromFile();

private:
    KeyRepeatGuard keyRepeat;
};

#endif // OSTRELQUESWATCH_H
