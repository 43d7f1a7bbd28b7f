#pragma once

#include <cstdint>
#include <span>

class ControllerLink;
class QObject;

// A switch flip, the same on every screen: the switch command for the relay of the switch
// that changed, the wait, then the status request whose reply shows whether the relay
// followed. sender is the switch; acceptedBits the relay bits of its screen. The wait runs
// nested event loops; when the station ends inside it, nothing more is sent.
void SwitchAndConfirm(ControllerLink& link, std::uint8_t address, QObject* sender,
                      std::span<const std::uint8_t> acceptedBits);
