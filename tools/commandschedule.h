#ifndef COMMANDSCHEDULE_H
#define COMMANDSCHEDULE_H

#include "colorswatch.h"
#include "commandtable.h"

#include <QByteArray>
#include <QList>
#include <QModelIndex>

class OstrelTableModel;
class OstrelTableRecord;
class QDoubleSpinBox;
class QGroupBox;
class QHBoxLayout;
class QIODevice;
class QPushButton;
class QTableView;
class QVBoxLayout;
class TreeModel;

// The schedule file format: each command's text line, ", time:" and its
// offset in seconds, then a line feed. Read with readScheduleFile.
QByteArray scheduleFileBytes(const QList<OstrelTableRecord *> &records);
CommandFileContent readScheduleFile(QIODevice *device, TreeModel *treeModel);

// The data of the schedule message: the command count, then per command
// its absolute send time (offset + now + 30 s), its 8-byte header and its
// data. A schedule that does not fit one message, or a send time beyond 32
// bits, is reported and gives false: the satellite would misread either.
bool packScheduleData(const QList<OstrelTableRecord *> &records, qint64 nowSecs, QByteArray *out);

// The command schedule dock: commands with time offsets, kept in the
// schedule table model (not owned), saved to and appended from schedule
// files, and packed on request into one schedule message (0xF030 from
// 0x0001 to 0x0005) handed on with scheduleReady.
class CommandSchedule : public ColorSwatch
{
    Q_OBJECT
public:
    explicit CommandSchedule(const QString &name, QWidget *parent = nullptr,
                             Qt::WindowFlags flags = Qt::WindowFlags());
    ~CommandSchedule() override;

    void setModel(OstrelTableModel *tableModel);
    void loadScheduleFromFile(QString fileName);

    OstrelTableModel *model = nullptr;
    QGroupBox *groupBox = nullptr;
    QHBoxLayout *boxLayout = nullptr;
    QTableView *tableView = nullptr;
    QGroupBox *buttonBox = nullptr;
    QVBoxLayout *buttonLayout = nullptr;
    QPushButton *sendButton = nullptr;
    QPushButton *deleteButton = nullptr;
    QPushButton *upButton = nullptr;
    QPushButton *downButton = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *openButton = nullptr;
    QPushButton *setTimeButton = nullptr;
    QDoubleSpinBox *timeSpinBox = nullptr;
    QString schedulePath;
    int timeOffset = 0;

signals:
    void signalDeleteFromSchedule(QModelIndexList selection);
    // The packed schedule record; its receiver owns it.
    void scheduleReady(OstrelTableRecord *record);

public slots:
    void updateButtons();
    void slotBtnSendSchedulePressed();
    void slotBtnDeletePressed();
    void slotBtnUpPressed();
    void slotBtnDownPressed();
    void slotBtnSavePressed();
    void slotButtonOpenPressed();
    void slotBtnSetPressed();
};

#endif // COMMANDSCHEDULE_H
