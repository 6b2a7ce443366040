#include "dvncommandbutton.h"

#include "instrumentrackswatch.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

namespace
{
constexpr int kFirstLineLength = 12;
constexpr int kLineHeight = 24;
constexpr int kSendTickMs = 1;
} // namespace

DvnCommandButton::DvnCommandButton(CommandButtonSettings settings, InstrumentRackSwatch *rack)
    : QPushButton(rack), sendTimer(new QTimer(this))
{
    setObjectName(settings.title);
    setTextMultiline(settings.title);
    setToolTip(settings.description);
    history = rack ? rack->getHistoryModel() : nullptr;
    if (!history)
        qCritical("%s", qUtf8Printable(tr("History model is empty")));
    connect(this, &QPushButton::pressed, this, &DvnCommandButton::slotButtonPressed);
    connect(sendTimer, &QTimer::timeout, this, &DvnCommandButton::slotTimeoutSend);
}

DvnCommandButton::~DvnCommandButton()
{
    qDeleteAll(commands);
    commands.clear();
}

void DvnCommandButton::setTextMultiline(QString text)
{
    int lines = 1;
    // Each insertion lengthens the text, so the first line keeps 12
    // characters and every later full line 11.
    if (text.size() > kFirstLineLength) {
        for (int pos = kFirstLineLength; pos < text.size(); pos += kFirstLineLength) {
            text.insert(pos, QLatin1Char('\n'));
            ++lines;
        }
    }

    // The label and its layout are made once; a later title only replaces
    // the text (a second layout would not take).
    if (!label) {
        label = new QLabel;
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::NoTextInteraction);
        label->setMouseTracking(false);
        label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

        auto *box = new QHBoxLayout;
        box->addWidget(label);
        box->setSpacing(0);
        box->setContentsMargins(5, 5, 5, 5);
        setLayout(box);
    }
    label->setText(text);

    QPushButton::setText(QString());
    setFixedSize(width(), kLineHeight * lines);
}

void DvnCommandButton::setHotKey(Qt::Key key)
{
    const QChar digit = QChar::fromLatin1(char(int(key) & 0xFF));
    label->setText(label->text() + tr("(%1)").arg(digit));
}

void DvnCommandButton::setCommandQueue(QList<OstrelTableRecord *> records)
{
    for (OstrelTableRecord *rec : records) {
        if (!rec)
            continue;
        auto *copy = new OstrelTableRecord;
        copy->copyFromPacketTable(rec);
        commands.append(copy);
    }
}

void DvnCommandButton::slotButtonPressed()
{
    // Without a history model there is nowhere to hand a command: say so
    // again rather than start a send that could only fail.
    if (!history) {
        qCritical("%s", qUtf8Printable(tr("History model is empty")));
        return;
    }
    sendIndex = 0;
    sendTimer->start(kSendTickMs);
    setEnabled(false);
}

void DvnCommandButton::slotTimeoutSend()
{
    if (sendIndex >= commands.size() || !history) {
        sendTimer->stop();
        setEnabled(true);
        return;
    }
    auto *copy = new OstrelTableRecord;
    copy->copyFromPacketTable(commands.at(sendIndex));
    ++sendIndex;
    sendTimer->start(kSendTickMs);
    // The history model takes the copy over.
    history->slotInsertFromQue(copy);
}
