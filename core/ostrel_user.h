#ifndef OSTREL_USER_H
#define OSTREL_USER_H

#include "ostrel.h"

#include <QObject>
#include <functional>

// Hooks that bind the process-wide bus stack to the application and to the
// CAN hardware. The radio reader calls ostrel_RX_message directly for every
// message it takes out of a radio frame.

// A message was queued: deliver it at once, so the queue never holds more
// than one.
void ostrel_RX_event(uint16_t msgId, uint16_t length);

// Delivery: hands the message to the route set with ostrelSetRxRoute; the
// message is valid only during the call. Without a route it is dropped.
void ostrel_RX_message(tag_ostrel_message *msg);

void ostrel_error(uint16_t code);

// There is no CAN hardware on a ground console: these do nothing.
void can_HW_init();
void can_HW_close();
void can_HW_send_message(tag_can_message *frame);

// Where delivered messages go. Start-up sets it to the shell's routing
// function; an empty route drops messages.
using OstrelRxRoute = std::function<void(tag_ostrel_message *msg)>;
void ostrelSetRxRoute(OstrelRxRoute route);

// The CAN hardware hooks in QObject form, for a driver that would feed the
// stack with frames through can_message_ready.
class OstrelHardwareInterface : public QObject
{
    Q_OBJECT
public:
    explicit OstrelHardwareInterface(QObject *parent);

    virtual void can_HW_init();
    virtual void can_HW_close();
    virtual void can_HW_send_message(tag_can_message *frame);
    virtual void can_HW_receive_message();

signals:
    void can_message_ready(can_message frame);
};

#endif // OSTREL_USER_H
