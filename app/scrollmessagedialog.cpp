#include "scrollmessagedialog.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

ScrollMessageDialog::ScrollMessageDialog(QWidget *parent, const QString &title, const QString &text)
    : QDialog(parent)
{
    build(title, text);
}

void ScrollMessageDialog::build(const QString &title, const QString &text)
{
    setWindowTitle(title);

    m_label = new QLabel(text, this);
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setWidget(m_label);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setGeometry(10, 20, 280, 100);

    m_okButton = new QPushButton(tr("OK"), this);
    m_okButton->setGeometry(10, 130, 100, 20);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::close);

    resize(300, 160);
}

void ScrollMessageDialog::warning(QWidget *parent, const QString &title, const QString &text)
{
    Q_UNUSED(parent);
    build(title, text);
    // Widgets made after the dialog was first shown stay hidden until told.
    m_scrollArea->show();
    m_okButton->show();
    show();
}

void ScrollMessageDialog::about(QWidget *parent, const QString &title, const QString &text)
{
    warning(parent, title, text);
}

void ScrollMessageDialog::critical(QWidget *parent, const QString &title, const QString &text)
{
    warning(parent, title, text);
}

void ScrollMessageDialog::information(QWidget *parent, const QString &title, const QString &text)
{
    warning(parent, title, text);
}
