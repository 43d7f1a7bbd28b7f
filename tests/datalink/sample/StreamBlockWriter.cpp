#include "StreamBlockWriter.h"

#include "services/VariantConversion.h"

#include <QVariantList>

#include <cstring>

namespace {

template <typename T> void append(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

template <typename T> void appendData(QByteArray& out, T value)
{
    QByteArray data(8, '\0');
    std::memcpy(data.data(), &value, sizeof(T));
    out.append(data);
}

void appendElement(QByteArray& out, VARTYPE type, const QVariant& value)
{
    switch (type) {
    case VT_BOOL:
        append<std::int16_t>(out, value.toBool() ? -1 : 0);
        break;
    case VT_I2:
        append<std::int16_t>(out, static_cast<std::int16_t>(value.toInt()));
        break;
    case VT_UI2:
        append<std::uint16_t>(out, static_cast<std::uint16_t>(value.toUInt()));
        break;
    case VT_I4:
        append<std::int32_t>(out, value.toInt());
        break;
    case VT_UI4:
        append<std::uint32_t>(out, value.toUInt());
        break;
    case VT_R4:
        append<float>(out, value.toFloat());
        break;
    default:
        append<double>(out, value.toDouble());
        break;
    }
}

std::size_t elementBytes(VARTYPE type)
{
    switch (type) {
    case VT_BOOL:
    case VT_I2:
    case VT_UI2:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
        return 4;
    default:
        return 8;
    }
}

void appendValue(QByteArray& out, const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<StreamErrorValue>()) {
        append<VARTYPE>(out, VT_ERROR);
        out.append(6, '\0');
        appendData<HRESULT>(out, value.value<StreamErrorValue>().code);
        return;
    }
    VARTYPE type = VariantType(value);
    if (type == (VT_ARRAY | VT_VARIANT)) {
        const QVariantList list = value.toList();
        const VARTYPE element = list.isEmpty() ? VT_I4 : VariantType(list.first());
        append<VARTYPE>(out, VT_ARRAY | element);
        out.append(14, '\0');
        append<std::uint16_t>(out, 1);
        append<std::uint16_t>(out, 0);
        append<std::uint32_t>(out, static_cast<std::uint32_t>(elementBytes(element)));
        append<std::uint32_t>(out, 0);
        append<std::uint32_t>(out, 0);
        append<std::uint32_t>(out, static_cast<std::uint32_t>(list.size()));
        append<std::int32_t>(out, 0);
        for (const QVariant& entry : list)
            appendElement(out, element, entry);
        return;
    }
    append<VARTYPE>(out, type);
    out.append(6, '\0');
    switch (type) {
    case VT_BSTR: {
        const QString text = value.toString();
        out.append(8, '\0');
        append<std::uint32_t>(out, static_cast<std::uint32_t>(text.size() * 2));
        out.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        append<std::uint16_t>(out, 0);
        break;
    }
    case VT_BOOL:
        appendData<std::int16_t>(out, value.toBool() ? -1 : 0);
        break;
    case VT_I1:
        appendData<std::int8_t>(out, static_cast<std::int8_t>(value.toInt()));
        break;
    case VT_UI1:
        appendData<std::uint8_t>(out, static_cast<std::uint8_t>(value.toUInt()));
        break;
    case VT_I2:
        appendData<std::int16_t>(out, static_cast<std::int16_t>(value.toInt()));
        break;
    case VT_UI2:
        appendData<std::uint16_t>(out, static_cast<std::uint16_t>(value.toUInt()));
        break;
    case VT_I4:
        appendData<std::int32_t>(out, value.toInt());
        break;
    case VT_UI4:
        appendData<std::uint32_t>(out, value.toUInt());
        break;
    case VT_R4:
        appendData<float>(out, value.toFloat());
        break;
    case VT_R8:
        appendData<double>(out, value.toDouble());
        break;
    case VT_I8:
        appendData<qint64>(out, value.toLongLong());
        break;
    case VT_UI8:
        appendData<quint64>(out, value.toULongLong());
        break;
    default:
        out.append(8, '\0');
        break;
    }
}

} // namespace

void StreamBlockWriter::Add(OPCHANDLE clientHandle, WORD quality, const QVariant& value,
                            std::uint64_t timeStamp)
{
    entries_.push_back(Entry{clientHandle, quality, value, timeStamp, std::nullopt});
}

void StreamBlockWriter::AddRecord(OPCHANDLE clientHandle, WORD quality, const QByteArray& value,
                                  std::uint64_t timeStamp)
{
    entries_.push_back(Entry{clientHandle, quality, QVariant(), timeStamp, value});
}

QByteArray StreamBlockWriter::Block(OPCHANDLE clientGroup, DWORD transaction, HRESULT status) const
{
    QByteArray values;
    QByteArray headers;
    const auto valuesStart =
        static_cast<std::uint32_t>(HeaderSize + ItemHeaderSize() * entries_.size());
    for (const Entry& entry : entries_) {
        append<OPCHANDLE>(headers, entry.clientHandle);
        append<std::uint32_t>(headers, valuesStart + static_cast<std::uint32_t>(values.size()));
        append<WORD>(headers, entry.quality);
        append<WORD>(headers, 0);
        if (withTimeStamps_)
            append<std::uint64_t>(headers, entry.timeStamp);
        if (entry.record)
            values.append(*entry.record);
        else
            appendValue(values, entry.value);
    }
    QByteArray block;
    append<std::uint32_t>(block, valuesStart + static_cast<std::uint32_t>(values.size()));
    append<std::uint32_t>(block, static_cast<std::uint32_t>(entries_.size()));
    append<OPCHANDLE>(block, clientGroup);
    append<DWORD>(block, transaction);
    append<HRESULT>(block, status);
    return block + headers + values;
}

QByteArray VariantRecord(VARTYPE type, const QByteArray& after)
{
    QByteArray record;
    append<VARTYPE>(record, type);
    record.append(14, '\0');
    return record + after;
}

void PutField32(QByteArray& block, int offset, std::uint32_t value)
{
    std::memcpy(block.data() + offset, &value, sizeof(value));
}

std::uint32_t Field32(const QByteArray& block, int offset)
{
    std::uint32_t value = 0;
    std::memcpy(&value, block.constData() + offset, sizeof(value));
    return value;
}
