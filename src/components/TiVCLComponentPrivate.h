#pragma once

#include "components/TiVCLComponent.h"
#include "datalink/iOPCItem.h"

#include <QImage>

#include <memory>
#include <mutex>

// The state of a TiVCLComponent.
struct TiVCLComponent::Private
{
    std::unique_ptr<QImage> backGroundSnapshot;
    std::recursive_mutex paintLock;
    bool transparent = false;
    std::unique_ptr<TiOPCItemManager> itemManager;
    bool applyingLinkData = false;
    int timerId = 0;
    bool firstIntervalPending = false;
    int repeatInterval = 0;
    bool snapshotPending = false;

    bool destroying = false;
};
