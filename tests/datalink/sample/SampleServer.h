#pragma once

#include "SampleDevice.h"

#include "services/ConnectionPoint.h"

#include <map>
#include <memory>

class SampleGroup;

// One server object: its groups and the clients' shutdown callbacks.
class SampleServer : public ComObject<IOPCServer, IConnectionPointContainer>
{
public:
    explicit SampleServer(std::shared_ptr<SampleDevice> device);
    ~SampleServer() override;

    HRESULT AddGroup(LPCWSTR name, BOOL active, DWORD requestedUpdateRate, OPCHANDLE clientGroup,
                     const LONG* timeBias, const FLOAT* percentDeadband, LCID locale,
                     OPCHANDLE* serverGroup, DWORD* revisedUpdateRate, REFIID riid,
                     IUnknown** group) override;
    HRESULT RemoveGroup(OPCHANDLE serverGroup, BOOL force) override;

    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

    void NotifyShutdown(const QString& reason);

private:
    std::shared_ptr<SampleDevice> device_;
    ComPtr<ConnectionPoint> shutdownPoint_;
    std::map<OPCHANDLE, ComPtr<SampleGroup>> groups_;
    OPCHANDLE nextGroup_ = 1;
};
