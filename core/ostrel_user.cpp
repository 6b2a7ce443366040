#include "ostrel_user.h"

#include <utility>

namespace
{

OstrelRxRoute &rxRoute()
{
    static OstrelRxRoute route;
    return route;
}

} // namespace

void ostrelSetRxRoute(OstrelRxRoute route)
{
    rxRoute() = std::move(route);
}

void ostrel_RX_event(uint16_t, uint16_t)
{
    ostrel_take_message();
}

void ostrel_RX_message(tag_ostrel_message *msg)
{
    // A copy, so that a route that replaces itself while it runs stays alive.
    const OstrelRxRoute route = rxRoute();
    if (msg && route)
        route(msg);
}

void ostrel_error(uint16_t) {}

void can_HW_init() {}

void can_HW_close() {}

void can_HW_send_message(tag_can_message *) {}

OstrelHardwareInterface::OstrelHardwareInterface(QObject *parent) : QObject(parent) {}

void OstrelHardwareInterface::can_HW_init() {}

void OstrelHardwareInterface::can_HW_close() {}

void OstrelHardwareInterface::can_HW_send_message(tag_can_message *) {}

void OstrelHardwareInterface::can_HW_receive_message() {}
