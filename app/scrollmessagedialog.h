#ifndef SCROLLMESSAGEDIALOG_H
#define SCROLLMESSAGEDIALOG_H

#include <QDialog>

class QLabel;
class QPushButton;
class QScrollArea;

// A small message box whose text scrolls. Each warning/about/critical/
// information call lays a fresh label, scroll area and "OK" button over the
// earlier ones, which stay beneath them as children of the dialog.
class ScrollMessageDialog : public QDialog
{
    Q_OBJECT
public:
    ScrollMessageDialog(QWidget *parent, const QString &title, const QString &text);

    void warning(QWidget *parent, const QString &title, const QString &text);
    void about(QWidget *parent, const QString &title, const QString &text);
    void critical(QWidget *parent, const QString &title, const QString &text);
    void information(QWidget *parent, const QString &title, const QString &text);

private:
    void build(const QString &title, const QString &text);

    QLabel *m_label;
    QScrollArea *m_scrollArea;
    QPushButton *m_okButton;
};

#endif // SCROLLMESSAGEDIALOG_H
