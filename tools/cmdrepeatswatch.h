#ifndef CMDREPEATSWATCH_H
#define CMDREPEATSWATCH_H

#include "colorswatch.h"
#include "keyrepeatguard.h"

#include <QPoint>

class OstrelTableModel;
class OstrelTableRecord;
class QGroupBox;
class QHBoxLayout;
class QKeyEvent;
class QPushButton;
class QTableView;
class QVBoxLayout;

// The repeat list dock: commands kept for sending again and again. A send
// hands on a copy and the command stays in the list. Its records take ids
// from 1000000 up, so they never pass for history records. The dock does
// not own the model and reads its list file only when asked to.
class CmdRepeatSwatch : public ColorSwatch
{
    Q_OBJECT
public:
    explicit CmdRepeatSwatch(const QString &name, QWidget *parent = nullptr,
                             Qt::WindowFlags flags = Qt::WindowFlags());
    ~CmdRepeatSwatch() override;

    void setModel(OstrelTableModel *tableModel);
    void setDefaultPath(QString path);
    void loadFromFile(QString fileName);

    OstrelTableModel *model = nullptr;
    QGroupBox *groupBox = nullptr;
    QVBoxLayout *boxLayout = nullptr;
    QTableView *tableView = nullptr;
    QGroupBox *buttonBox = nullptr;
    QHBoxLayout *buttonLayout = nullptr;
    QPushButton *sendButton = nullptr;
    QString listPath;

signals:
    // A copy of the command to send; its receiver owns it.
    void signalSendFromRepeatList(OstrelTableRecord *record);

public slots:
    void slotBtnSendPressed();
    void updateButtons();
    void slotHandleContextMenu(const QPoint &pos);
    void keyPressEvent(QKeyEvent *event) override;
    void copyToClipBoard();
    void slotRepeatLastCommand();

private:
    void sendCopyOf(OstrelTableRecord *record);

    KeyRepeatGuard keyRepeat;
};

#endif // CMDREPEATSWATCH_H
