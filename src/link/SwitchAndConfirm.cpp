#include "link/SwitchAndConfirm.h"

#include <QObject>
#include <QVariant>

#include "link/ControllerLink.h"

void SwitchAndConfirm(ControllerLink& link, std::uint8_t address, QObject* sender,
                      std::span<const std::uint8_t> acceptedBits)
{
    // Select bit and state bit are both the low byte of the switch's Tag.
    const auto bit = std::uint8_t(sender != nullptr ? sender->property("Tag").toInt() : 0);
    link.SendSwitchCommand(address, bit, bit, sender, acceptedBits);
    link.PumpWait(SwitchToStatusWaitMs);
    link.RequestStatus(address);
}
