#include "ostrelhexswatch.h"

#include "ostreltablerecord.h"
#include "toolsresources.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>

OstrelHexSwatch::OstrelHexSwatch(const QString &name, QWidget *parent, Qt::WindowFlags flags)
    : ColorSwatch(name, parent, flags)
{
    actionShow->setIcon(toolsIcon(QStringLiteral("document_stroke_24x24.png")));

    groupBox = new QGroupBox(tr("Message"));
    hexEdit = new QLineEdit;
    hexEdit->setReadOnly(true);
    auto *row = new QHBoxLayout;
    row->addWidget(hexEdit);
    groupBox->setLayout(row);
    setWidget(groupBox);
}

OstrelHexSwatch::~OstrelHexSwatch() = default;

QString OstrelHexSwatch::spacedHex(const QByteArray &bytes)
{
    QString text = QString::fromLatin1(bytes.toHex());
    for (int pos = 2; pos < text.length(); pos += 3)
        text.insert(pos, QLatin1Char(' '));
    return text;
}

void OstrelHexSwatch::slotUpdateFromTableRecord(OstrelTableRecord *rec)
{
    if (!rec)
        return;
    const ostrel_message &msg = rec->message;
    groupBox->setTitle(QString::asprintf("Message 0x%X from 0x%X to 0x%X, len = %d",
                                         unsigned(msg.msg_id), unsigned(msg.src), unsigned(msg.dst),
                                         int(msg.length)));
    hexEdit->setText(spacedHex(rec->data));
}
