#include "flightplan.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>

FlightPlan::FlightPlan(const QString &name, QWidget *parent, Qt::WindowFlags flags)
    : ColorSwatch(name, parent, flags)
{
    groupBox = new QGroupBox(tr("Load file of flight plan..."));
    openButton = new QPushButton(tr("Open file"));
    sendButton = new QPushButton(tr("Send"));
    auto *layout = new QHBoxLayout;
    layout->addWidget(openButton);
    layout->addWidget(sendButton);
    groupBox->setLayout(layout);
    connect(sendButton, &QPushButton::pressed, this, &FlightPlan::slotButtonSendPressed);
    connect(openButton, &QPushButton::pressed, this, &FlightPlan::slotButtonOpenPressed);
    setWidget(groupBox);
}

void FlightPlan::slotButtonOpenPressed()
{
    startFolder = QDir::homePath();
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Open flight plan from file"),
                                                          startFolder, tr("Flight Plan (*.xml)"));
    if (!fileName.isEmpty())
        loadPlanFromFile(fileName);
}

void FlightPlan::slotButtonSendPressed() {}

void FlightPlan::loadPlanFromFile(QString fileName)
{
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::information(this, tr("Unable to open file."), file.errorString(),
                                 QMessageBox::Ok);
        return;
    }
    file.close();
}
