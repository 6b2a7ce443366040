#ifndef SCROLLMESSAGEDLG_H
#define SCROLLMESSAGEDLG_H

#include <QDialog>
#include <QString>

class QPushButton;
class QTextEdit;

// The message window: a read-only pane of every diagnostic shown since the
// last "Clear", with the count in the window title. Start-up moves it into
// the "Output" dock; the message handler feeds it on the GUI thread.
class ScrollMessageDlg : public QDialog
{
    Q_OBJECT
public:
    ScrollMessageDlg(QWidget *parent, const QString &title, const QString &text);
    ~ScrollMessageDlg() override;

    void warning(const QString &title, const QString &text);
    void critical(const QString &title, const QString &text);
    void about(const QString &title, const QString &text);
    void information(const QString &title, const QString &text);

    void updateTitle();

public slots:
    void clearText();
    // Escape rejects a dialog, which hides it; the pane docked in "Output"
    // stays, or the dock would shrink to its title bar until the next message.
    void reject() override;

private:
    void addMessage(const QString &line);
    void keepAtNewest();
    void scrolled(int value);

    QString m_title;
    QTextEdit *m_textEdit;
    QPushButton *m_clearButton;
    unsigned int m_counter;
    // Whether the pane shows the newest message; only the operator's own
    // scrolling changes it, never a relayout or an append.
    bool m_follow = true;
    bool m_scrolling = false;
};

#endif // SCROLLMESSAGEDLG_H
