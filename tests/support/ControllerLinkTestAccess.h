#pragma once

// The reply assembler inside the link, for tests that count what it holds and drops.

#include "link/ControllerLink.h"
#include "link/ReplyAssembler.h"

struct ControllerLinkTestAccess
{
    static const ReplyAssembler& Assembler(const ControllerLink& link) { return link.assembler_; }
};
