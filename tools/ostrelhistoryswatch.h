#ifndef OSTRELHISTORYSWATCH_H
#define OSTRELHISTORYSWATCH_H

#include "colorswatch.h"

#include <QMetaObject>
#include <QModelIndex>

class OstrelTableModel;
class OstrelTableRecord;
class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QTableView;
class QTimer;
class QVBoxLayout;
class ToolBar;

// The "History" dock: the history record table with its controls (on/off,
// clear, depth, autoscroll) and the "In", "Out" and "Free" counters. All
// history state lives in the model; the dock asks for changes through its
// signals and only keeps the autoscroll flag and its three counts. The dock
// does not own the model.
class OstrelHistorySwatch : public ColorSwatch
{
    Q_OBJECT
public:
    explicit OstrelHistorySwatch(const QString &name, QWidget *parent = nullptr,
                                 Qt::WindowFlags flags = Qt::WindowFlags());
    ~OstrelHistorySwatch() override;

    void setModel(OstrelTableModel *tableModel);
    void copyToClipBoard();
    void assembleLayout();
    void updateFreeCounter();

    OstrelTableModel *model = nullptr;
    QGroupBox *groupBox = nullptr;
    QVBoxLayout *boxLayout = nullptr;
    QTableView *tableView = nullptr;
    QPushButton *enableButton = nullptr;
    QPushButton *showButton = nullptr;
    QPushButton *clearButton = nullptr;
    QPushButton *applyButton = nullptr;
    QLineEdit *depthEdit = nullptr;
    QCheckBox *autoscrollBox = nullptr;
    ToolBar *actionsBar = nullptr;
    ToolBar *statisticsBar = nullptr;
    ToolBar *filtersBar = nullptr;
    QLabel *freeLabel = nullptr;
    QLabel *outLabel = nullptr;
    QLabel *inLabel = nullptr;
    bool autoscroll = true;
    QMainWindow *innerWindow = nullptr;
    quint32 outCount = 0;
    quint32 inCount = 0;
    quint32 freeCount = 0;

signals:
    void signalChangeMaxDepth(quint32 depth);
    void signalClearHistory();
    void signalUserSelectionChanged(QModelIndex current, QModelIndex previous);
    void signalEnableHistory(bool enable);

public slots:
    void keyPressEvent(QKeyEvent *event) override;
    void slotCurrentChanged(QModelIndex current, QModelIndex previous);
    void slotButtonDepthPressed();
    void slotButtonClearPressed();
    void slotButtonShowPressed();
    void slotButtonEnablePressed();
    void slotDepthEditChanged();
    void slotMaxDepthChanged(quint32 depth);
    void slotIncreaseCounters(OstrelTableRecord *rec);
    void slotAutoscrollChanged(bool on);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleKey(QKeyEvent *event);
    void connectAutoscroll(bool on);
    void scheduleScrollToBottom();
    void scrollIfPending();
    void holdPaint();
    void releasePaint();
    void setRowPaintEnabled(bool enabled);
    void showCounters();

    // Records may arrive by the thousand per second; the dock shows them at
    // most this often while they keep coming.
    static constexpr int kPaintIntervalMs = 50;

    QMetaObject::Connection scrollConnection;
    bool scrollPending = false;
    QTimer *paintTimer = nullptr;
    bool paintHeld = false;
    bool countersPending = false;
};

#endif // OSTRELHISTORYSWATCH_H
