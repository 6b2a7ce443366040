#include "colordock.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDockWidget>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>

QSpinBox *createSpinBox(int value, QWidget *parent, int max)
{
    QSpinBox *box = new QSpinBox(parent);
    box->setMinimum(-1);
    box->setMaximum(max);
    box->setValue(value);
    return box;
}

ColorDock::ColorDock(const QString &name, QWidget *parent)
    : QFrame(parent), m_name(name), m_sizeHint(-1, -1), m_minimumSizeHint(125, 75)
{
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
}

QSize ColorDock::sizeHint() const
{
    return m_sizeHint;
}

QSize ColorDock::minimumSizeHint() const
{
    return m_minimumSizeHint;
}

void ColorDock::setCustomSizeHint(const QSize &size)
{
    m_sizeHint = size;
    updateGeometry();
}

// A placeholder until the tool window brings its content: it shows blank,
// so the frame style set by the dock is deliberately not drawn either.
void ColorDock::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
}

void ColorDock::changeSizeHints()
{
    QDockWidget *dock = qobject_cast<QDockWidget *>(parentWidget());

    QDialog dialog(this);
    dialog.setWindowTitle(m_name);

    QVBoxLayout *topLayout = new QVBoxLayout(&dialog);
    QGridLayout *grid = new QGridLayout;
    topLayout->addLayout(grid);

    grid->addWidget(new QLabel(tr("Size Hint:"), &dialog), 0, 0);
    grid->addWidget(new QLabel(tr("Min Size Hint:"), &dialog), 1, 0);
    grid->addWidget(new QLabel(tr("Max Size:"), &dialog), 2, 0);
    grid->addWidget(new QLabel(tr("Dockwgt Max Size:"), &dialog), 3, 0);

    QSpinBox *szw = createSpinBox(m_sizeHint.width(), &dialog, 1000);
    QSpinBox *szh = createSpinBox(m_sizeHint.height(), &dialog, 1000);
    szw->setObjectName(QStringLiteral("sizeHintWidth"));
    szh->setObjectName(QStringLiteral("sizeHintHeight"));
    grid->addWidget(szw, 0, 1);
    grid->addWidget(szh, 0, 2);

    QSpinBox *minw = createSpinBox(m_minimumSizeHint.width(), &dialog, 1000);
    QSpinBox *minh = createSpinBox(m_minimumSizeHint.height(), &dialog, 1000);
    minw->setObjectName(QStringLiteral("minSizeHintWidth"));
    minh->setObjectName(QStringLiteral("minSizeHintHeight"));
    grid->addWidget(minw, 1, 1);
    grid->addWidget(minh, 1, 2);

    const QSize maxSize = maximumSize();
    QSpinBox *maxw = createSpinBox(maxSize.width(), &dialog, QWIDGETSIZE_MAX);
    QSpinBox *maxh = createSpinBox(maxSize.height(), &dialog, QWIDGETSIZE_MAX);
    maxw->setObjectName(QStringLiteral("maxSizeWidth"));
    maxh->setObjectName(QStringLiteral("maxSizeHeight"));
    grid->addWidget(maxw, 2, 1);
    grid->addWidget(maxh, 2, 2);

    const QSize dockMax = dock ? dock->maximumSize() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QSpinBox *dwMaxw = createSpinBox(dockMax.width(), &dialog, QWIDGETSIZE_MAX);
    QSpinBox *dwMaxh = createSpinBox(dockMax.height(), &dialog, QWIDGETSIZE_MAX);
    dwMaxw->setObjectName(QStringLiteral("dockMaxSizeWidth"));
    dwMaxh->setObjectName(QStringLiteral("dockMaxSizeHeight"));
    grid->addWidget(dwMaxw, 3, 1);
    grid->addWidget(dwMaxh, 3, 2);

    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);

    topLayout->addStretch();

    QHBoxLayout *buttonBox = new QHBoxLayout;
    topLayout->addLayout(buttonBox);

    QPushButton *cancelButton = new QPushButton(tr("Cancel"), &dialog);
    QPushButton *okButton = new QPushButton(tr("Ok"), &dialog);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    okButton->setObjectName(QStringLiteral("okButton"));
    connect(cancelButton, &QPushButton::clicked, &dialog, &QDialog::reject);
    connect(okButton, &QPushButton::clicked, &dialog, &QDialog::accept);
    buttonBox->addStretch();
    buttonBox->addWidget(cancelButton);
    buttonBox->addWidget(okButton);

    if (!dialog.exec())
        return;

    m_sizeHint = QSize(szw->value(), szh->value());
    m_minimumSizeHint = QSize(minw->value(), minh->value());
    setMaximumSize(maxw->value(), maxh->value());
    if (dock)
        dock->setMaximumSize(dwMaxw->value(), dwMaxh->value());

    updateGeometry();
    update();
}
