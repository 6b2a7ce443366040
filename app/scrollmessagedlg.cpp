#include "scrollmessagedlg.h"

#include "messagehandler.h"

#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

ScrollMessageDlg::ScrollMessageDlg(QWidget *parent, const QString &title, const QString &text)
    : QDialog(parent), m_title(title), m_counter(0)
{
    Q_UNUSED(text);

    m_textEdit = new QTextEdit(this);
    m_textEdit->setReadOnly(true);

    m_clearButton = new QPushButton(tr("Clear"), this);
    m_clearButton->setFixedWidth(60);
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
    m_textEdit->append(line);
    updateTitle();
    show();
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

void ScrollMessageDlg::updateTitle()
{
    setWindowTitle(m_title + QStringLiteral(" < %1 Message(s) >").arg(m_counter));
}

void ScrollMessageDlg::clearText()
{
    m_textEdit->clear();
    m_counter = 0;
}
