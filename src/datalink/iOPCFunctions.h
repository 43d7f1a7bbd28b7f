#pragma once

#include "objsvc/DataObject.h"
#include "objsvc/OPCDA.h"

#include <QString>
#include <QVariant>

// The calls of the data link into OPC servers. The three creation functions raise OPCError;
// every other one answers the result code and, given no interface or one lacking what it needs,
// answers E_FAIL without calling the server.

// Empty computer: this one.
ComPtr<IOPCServer> OPCCreateServer(const QString& computer, const QString& progId);
// The server list is created (and left to the caller) only when it is needed and none is given.
CLSID OPCResolveClassID(const QString& computer, const QString& progId,
                        ComPtr<IOPCServerList>& serverList);
ComPtr<IOPCServerList> OPCCreateServerList(const QString& computer);

HRESULT OPCAddGroup(IUnknown* server, const QString& name, bool active, int updateRate,
                    OPCHANDLE& groupHandle, ComPtr<IOPCItemMgt>& group);
HRESULT OPCAddItem(IUnknown* group, const QString& itemName, OPCHANDLE clientHandle,
                   VARTYPE requestedType, OPCHANDLE& itemHandle, VARTYPE& canonicalType);
HRESULT OPCRemoveItem(IUnknown* group, OPCHANDLE itemHandle);
void OPCRemoveGroup(IUnknown* server, OPCHANDLE groupHandle);
HRESULT OPCAdviseCallback(IUnknown* group, IOPCDataCallback* callback, DWORD& cookie);
HRESULT OPCUnadviseCallback(IUnknown* group, DWORD cookie);
HRESULT OPCAdviseStream(IUnknown* group, IAdviseSink* sink, DWORD& connection);
HRESULT OPCUnadviseStream(IUnknown* group, DWORD connection);
HRESULT OPCAdviseShutdown(IUnknown* server, IOPCShutdown* callback, DWORD& cookie);
HRESULT OPCUnadviseShutdown(IUnknown* server, DWORD cookie);
HRESULT OPCWriteItem(IUnknown* group, OPCHANDLE itemHandle, const QVariant& value);

// The process-wide security: no descriptor, default authentication services, authentication
// level none, impersonation level identify, no capabilities.
HRESULT OPCInitializeSecurity();

// The sound of a server list that answers a class identifier whose first field is 0. The data
// link needs no window system, so the default is the terminal bell; a program with one installs
// its own (QApplication::beep).
using TiOPCBeep = void (*)();
void OPCSetBeep(TiOPCBeep beep);
