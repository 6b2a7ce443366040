#include "ostreltablemodel.h"
#include "packeteditlayout.h"

#include <QDockWidget>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTextEdit>

void OstrelTableModel::createFieldControls(QDockWidget *dock)
{
    if (!dock)
        return;
    auto *box = new QGroupBox(tr("Fields"), dock);
    auto *flow = new PacketEditLayout(box);
    for (int i = 0; i < 10; ++i) {
        auto *row = new QHBoxLayout;
        row->addWidget(new QLabel(tr("Field Name"), box));
        auto *edit = new QTextEdit(tr("100500"), box);
        edit->setFixedSize(100, 25);
        row->addWidget(edit);
        row->addWidget(new QLabel(tr("Field description"), box));
        flow->addItem(row);
    }
    dock->setWidget(box);
}
