#include "objsvc/ResultText.h"

#include <QLatin1StringView>

namespace {

struct ResultEntry
{
    HRESULT result;
    const char* text;
};

constexpr ResultEntry Messages[] = {
    {S_OK, "The operation completed successfully"},
    {E_NOTIMPL, "Not implemented"},
    {E_NOINTERFACE, "No such interface supported"},
    {E_POINTER, "Invalid pointer"},
    {E_FAIL, "Unspecified error"},
    {E_UNEXPECTED, "Catastrophic failure"},
    {E_OUTOFMEMORY, "Not enough storage is available to complete this operation"},
    {E_INVALIDARG, "The parameter is incorrect"},
    {CLASS_E_NOAGGREGATION, "Class does not support aggregation (or class object is remote)"},
    {REGDB_E_CLASSNOTREG, "Class not registered"},
    {CO_E_CLASSSTRING, "Invalid class string"},
    {CONNECT_E_NOCONNECTION, "The connection point has no such connection"},
    {CONNECT_E_ADVISELIMIT, "The connection point cannot take more connections"},
    {CONNECT_E_CANNOTCONNECT, "The sink does not support the interface of the connection point"},
    {OLE_E_ADVISENOTSUPPORTED, "This implementation doesn't take advises"},
    {DV_E_FORMATETC, "Invalid FORMATETC structure"},
    {DV_E_TYMED, "Invalid tymed"},
    {RPC_E_TOO_LATE, "Security must be initialized before any interfaces are marshalled or "
                     "unmarshalled. It cannot be changed once initialized"},
    {RPC_S_SERVER_UNAVAILABLE, "The RPC server is unavailable"},
};

} // namespace

QString ResultMessage(HRESULT result)
{
    for (const ResultEntry& entry : Messages) {
        if (entry.result == result)
            return QLatin1StringView(entry.text);
    }
    const QString code = QString::number(static_cast<std::uint32_t>(result), 16).toUpper();
    return QStringLiteral("OLE error ") + code.rightJustified(8, QLatin1Char('0'));
}
