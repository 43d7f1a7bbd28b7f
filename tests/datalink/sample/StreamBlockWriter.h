#pragma once

#include "objsvc/OPCDA.h"

#include <QByteArray>
#include <QVariant>

#include <optional>
#include <vector>

// A value that a server sends as VT_ERROR: a status code in place of the value.
struct StreamErrorValue
{
    HRESULT code = E_FAIL;

    friend bool operator==(const StreamErrorValue&, const StreamErrorValue&) = default;
};
Q_DECLARE_METATYPE(StreamErrorValue)

// Writes a data-advise stream block as OPC Data Access 1.0 lays it out: the group header, the
// item headers back to back, then each item's 16-byte variant record, a string's byte count,
// characters and terminating zero, or an array's descriptor, bound and elements after it.
// Item headers start at HeaderSize and are ItemHeaderSize() apart; the value offset is the
// second field of each.
class StreamBlockWriter
{
public:
    static constexpr int HeaderSize = 20;

    explicit StreamBlockWriter(bool withTimeStamps) : withTimeStamps_(withTimeStamps) {}

    int ItemHeaderSize() const { return withTimeStamps_ ? 20 : 12; }

    // Values: bool, the integer types, float, double, text, a list of one numeric type, an
    // error value.
    void Add(OPCHANDLE clientHandle, WORD quality, const QVariant& value,
             std::uint64_t timeStamp = 0);
    // The value as the bytes given: its variant record and whatever follows it.
    void AddRecord(OPCHANDLE clientHandle, WORD quality, const QByteArray& value,
                   std::uint64_t timeStamp = 0);

    QByteArray Block(OPCHANDLE clientGroup = 0, DWORD transaction = 0, HRESULT status = S_OK) const;

private:
    struct Entry
    {
        OPCHANDLE clientHandle;
        WORD quality;
        QVariant value;
        std::uint64_t timeStamp;
        std::optional<QByteArray> record;
    };

    bool withTimeStamps_;
    std::vector<Entry> entries_;
};

// A variant record of the type, its data zero, and what follows it.
QByteArray VariantRecord(VARTYPE type, const QByteArray& after = QByteArray());

// Little-endian field access for tests that bend a block.
void PutField32(QByteArray& block, int offset, std::uint32_t value);
std::uint32_t Field32(const QByteArray& block, int offset);
