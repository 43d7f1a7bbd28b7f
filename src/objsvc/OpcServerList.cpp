#include "objsvc/OpcServerList.h"

#include "objsvc/OPCCommon.h"
#include "objsvc/TaskMemory.h"

#include <algorithm>

namespace {

class GuidEnumerator : public ComObject<IEnumGUID>
{
public:
    explicit GuidEnumerator(std::vector<GUID> guids) : guids_(std::move(guids)) {}

    HRESULT Next(ULONG count, GUID* elements, ULONG* fetched) override
    {
        if (!elements || (count > 1 && !fetched))
            return E_POINTER;
        ULONG taken = 0;
        while (taken < count && next_ < guids_.size())
            elements[taken++] = guids_[next_++];
        if (fetched)
            *fetched = taken;
        return taken == count ? S_OK : S_FALSE;
    }

private:
    std::vector<GUID> guids_;
    std::size_t next_ = 0;
};

class ServerList : public ComObject<IOPCServerList>
{
public:
    explicit ServerList(QString computer) : computer_(std::move(computer)) {}

    HRESULT EnumClassesOfCategories(ULONG implementedCount, const CATID* implemented,
                                    ULONG requiredCount, const CATID* required,
                                    IEnumGUID** classes) override
    {
        if (!classes || (implementedCount > 0 && !implemented) || (requiredCount > 0 && !required))
            return E_POINTER;
        *classes = nullptr;
        const ClassRegistry* registry = ComputerRegistry(computer_);
        if (!registry)
            return RPC_S_SERVER_UNAVAILABLE;
        std::vector<CLSID> found = registry->ClassesOfCategories(
            std::vector<CATID>(implemented, implemented + implementedCount));
        std::erase_if(found, [&](const CLSID& clsid) {
            const ClassEntry* entry = registry->FindClass(clsid);
            for (ULONG i = 0; i < requiredCount; ++i) {
                if (std::find(entry->categories.begin(), entry->categories.end(), required[i]) ==
                    entry->categories.end())
                    return true;
            }
            return false;
        });
        auto* enumerator = new GuidEnumerator(std::move(found));
        enumerator->AddRef();
        *classes = enumerator;
        return S_OK;
    }

    HRESULT GetClassDetails(REFCLSID clsid, LPOLESTR* progId, LPOLESTR* userType) override
    {
        if (!progId || !userType)
            return E_POINTER;
        *progId = nullptr;
        *userType = nullptr;
        const ClassRegistry* registry = ComputerRegistry(computer_);
        if (!registry)
            return RPC_S_SERVER_UNAVAILABLE;
        const ClassEntry* entry = registry->FindClass(clsid);
        if (!entry)
            return REGDB_E_CLASSNOTREG;
        *progId = CoTaskMemString(entry->progId);
        *userType = CoTaskMemString(entry->userType);
        if (!*progId || !*userType) {
            CoTaskMemFree(*progId);
            CoTaskMemFree(*userType);
            *progId = nullptr;
            *userType = nullptr;
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

    HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) override
    {
        if (!progId || !clsid)
            return E_POINTER;
        const ClassRegistry* registry = ComputerRegistry(computer_);
        if (!registry)
            return RPC_S_SERVER_UNAVAILABLE;
        const ClassEntry* entry = registry->FindProgID(WideToString(progId));
        if (!entry)
            return CO_E_CLASSSTRING;
        *clsid = entry->clsid;
        return S_OK;
    }

private:
    QString computer_;
};

} // namespace

ClassEntry OpcServerListClass(const QString& computer)
{
    ClassEntry entry;
    entry.clsid = CLSID_OpcServerList;
    entry.progId = QStringLiteral("OPC.ServerList.1");
    entry.userType = QStringLiteral("OPC Server List");
    entry.factory = [computer]() -> ComPtr<IUnknown> {
        const auto list = MakeComObject<ServerList>(computer);
        return ComPtr<IUnknown>(list->Unknown());
    };
    return entry;
}
