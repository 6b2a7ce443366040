#include "scrollmessagedlg.h"

#include "messagehandler.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

ScrollMessageDlg::ScrollMessageDlg(QWidget *parent, const QString &title, const QString &text)
    : QDialog(parent), m_title(title), m_counter(0)
{
    Q_UNUSED(text);

    m_textEdit = new QTextEdit(this);
    m_textEdit->setReadOnly(true);
    // QTextEdit keeps to the bottom only when it is already there at the
    // moment of an append; a rewrap after a resize, or a burst arriving
    // before the scroll bar is shown, leaves it short of the new bottom and
    // it never catches up. The pane follows by its own record instead.
    QScrollBar *bar = m_textEdit->verticalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, this, &ScrollMessageDlg::keepAtNewest);
    connect(bar, &QScrollBar::valueChanged, this, &ScrollMessageDlg::scrolled);

    m_clearButton = new QPushButton(tr("Clear"), this);
    m_clearButton->setFixedWidth(60);
    // Not the dialog's default: Return pressed while reading the pane, or
    // landing there after a send, must not wipe the messages.
    m_clearButton->setAutoDefault(false);
    connect(m_clearButton, &QPushButton::clicked, this, &ScrollMessageDlg::clearText);

    QVBoxLayout *layout = new QVBoxLayout(this);
    layout->addWidget(m_textEdit, 0);
    layout->addWidget(m_clearButton, 2);
}

ScrollMessageDlg::~ScrollMessageDlg()
{
    // Messages can still come while the main window is being torn down.
    messageHandlerWindowDestroyed(this);
}

void ScrollMessageDlg::addMessage(const QString &line)
{
    ++m_counter;
    // Messages carry text from the operator, description and rack files, the
    // modem and servers: shown as written, never read as markup. A line
    // break inside a message stays within its one paragraph.
    QTextCursor cursor(m_textEdit->document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (!m_textEdit->document()->isEmpty())
        cursor.insertBlock();
    QString text = line;
    text.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
    cursor.insertText(text, QTextCharFormat());
    cursor.endEditBlock();
    keepAtNewest();
    updateTitle();
    show();
}

void ScrollMessageDlg::reject()
{
    if (isWindow())
        QDialog::reject();
}

void ScrollMessageDlg::warning(const QString &title, const QString &text)
{
    Q_UNUSED(title);
    addMessage(QLatin1String("WARNING: ") + text);
}

void ScrollMessageDlg::critical(const QString &title, const QString &text)
{
    Q_UNUSED(title);
    addMessage(QLatin1String("ERROR: ") + text);
}

void ScrollMessageDlg::about(const QString &title, const QString &text)
{
    Q_UNUSED(title);
    addMessage(text);
}

void ScrollMessageDlg::information(const QString &title, const QString &text)
{
    about(title, text);
}

void ScrollMessageDlg::keepAtNewest()
{
    if (!m_follow)
        return;
    QScrollBar *bar = m_textEdit->verticalScrollBar();
    m_scrolling = true;
    bar->setValue(bar->maximum());
    m_scrolling = false;
}

void ScrollMessageDlg::scrolled(int value)
{
    // Scrolled up to read: stay there. Back at the bottom: follow again.
    if (!m_scrolling)
        m_follow = value >= m_textEdit->verticalScrollBar()->maximum();
}

void ScrollMessageDlg::updateTitle()
{
    setWindowTitle(m_title + QStringLiteral(" < %1 Message(s) >").arg(m_counter));
}

void ScrollMessageDlg::clearText()
{
    m_textEdit->clear();
    m_counter = 0;
}
