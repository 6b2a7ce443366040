#ifndef ABSTRACTREADER_H
#define ABSTRACTREADER_H

#include "ostrel.h"
#include "ostrelmessage.h"

#include <QObject>
#include <QTimer>
#include <cstdint>

class OstrelConfigData;

// The one link to the radio modem as the rest of the console sees it.
// Subclasses own the connection and set the state; this base only keeps
// the counters and retries a failed link once a second, for ever.
class AbstractReader : public QObject
{
    Q_OBJECT
public:
    enum HWState { HW_ERROR = 0, HW_NOTINIT = 1, HW_READY = 2 };
    Q_ENUM(HWState)

    explicit AbstractReader(QObject *parent = nullptr);

    // Builds the reader that "Interface" names; the caller owns it.
    static AbstractReader *Factory(OstrelConfigData *config);

    HWState state() const { return m_state; }

public slots:
    virtual void HW_init() = 0;
    virtual void HW_close() = 0;
    virtual int32_t readerDataCount() = 0;
    virtual uint32_t receiveCount();
    virtual uint32_t transmitCount();
    virtual void ostrel_send_message(tag_ostrel_message *msg) = 0;

    void handleReconnectTimeout();

signals:
    // A CAN frame for the exchange interface's own stack; no reader has a
    // CAN bus to take one from.
    void can_message_ready(can_message frame);
    void stateChanges(AbstractReader::HWState state);

protected:
    HWState m_state = HW_ERROR;
    QTimer m_reconnectTimer;
    uint32_t m_receiveCount = 0;
    uint32_t m_transmitCount = 0;
};

// Stands in when no modem is configured: sends go nowhere and the state
// stays HW_ERROR, so every record sent through it is marked as failed.
class NullReader : public AbstractReader
{
    Q_OBJECT
public:
    explicit NullReader(QObject *parent = nullptr);

public slots:
    void HW_init() override;
    void HW_close() override;
    int32_t readerDataCount() override;
    void ostrel_send_message(tag_ostrel_message *msg) override;
};

#endif // ABSTRACTREADER_H
