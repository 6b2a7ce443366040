#ifndef OSTRELEXCHANGEINTERFACE_H
#define OSTRELEXCHANGEINTERFACE_H

#include "ostrel.h"
#include "ostrelmessage.h"

#include <QByteArray>
#include <QObject>
#include <cstdint>

class AbstractReader;
class OstrelTableRecord;

// Stands between the records and the radio reader. Outgoing, it hands a
// command record's message to the reader and marks the record Sent or
// Error tx; incoming, its ostrel_RX_message signal is where every received
// message enters the application. It also keeps a bus stack of its own (5
// receive slots, 1 MiB budget) fed by the reader's CAN frames; the reader
// is not owned.
class OstrelExchangeInterface : public QObject
{
    Q_OBJECT
public:
    explicit OstrelExchangeInterface(AbstractReader *reader, QObject *parent = nullptr);

    // Resets the own stack and (re)starts the reader's link.
    void ostrel_init();
    // Drops everything the own stack holds and closes the reader's link.
    void ostrel_close();

    AbstractReader *reader() const { return m_reader; }
    OstrelStack &stack() { return m_stack; }

signals:
    void ostrel_RX_event(uint16_t msgId, uint16_t length);
    void ostrel_error(uint16_t code);
    void ostrel_RX_message(tag_ostrel_message msg, QByteArray data);
    void can_sent_record(OstrelTableRecord *record);

public slots:
    void can_receive_message(can_message frame);
    void can_send_from_que(OstrelTableRecord *record);

private:
    AbstractReader *m_reader;
    OstrelStack m_stack;
};

// The one exchange interface of the program; start-up sets it.
extern OstrelExchangeInterface *ostrelIF;

#endif // OSTRELEXCHANGEINTERFACE_H
