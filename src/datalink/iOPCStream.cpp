#include "datalink/iOPCStream.h"

#include "datalink/iOPCTime.h"

#include <bit>
#include <cstring>
#include <optional>

namespace {

constexpr std::size_t GroupHeaderSize = 20;
constexpr std::size_t ItemHeaderSize = 12;
constexpr std::size_t TimedItemHeaderSize = 20;
constexpr std::size_t VariantSize = 16;
constexpr std::size_t VariantDataOffset = 8;
// cDims, fFeatures, cbElements, cLocks and a 32-bit pvData, then one bound per dimension.
constexpr std::size_t SafeArrayHeaderSize = 16;
constexpr std::size_t SafeArrayBoundSize = 8;

// Little-endian fields inside [0, size) of the block; every read is checked first.
class BlockReader
{
public:
    BlockReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Size() const { return size_; }

    // Only after Fits(offset, length) for the bytes to be taken.
    const std::uint8_t* At(std::size_t offset) const { return data_ + offset; }

    bool Fits(std::size_t offset, std::size_t length) const
    {
        return offset <= size_ && length <= size_ - offset;
    }

    template <typename T> std::optional<T> Read(std::size_t offset) const
    {
        if (!Fits(offset, sizeof(T)))
            return std::nullopt;
        std::uint64_t bits = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            bits |= std::uint64_t{data_[offset + i]} << (8 * i);
        if constexpr (sizeof(T) == 8) {
            return std::bit_cast<T>(bits);
        } else {
            using Bits =
                std::conditional_t<sizeof(T) == 4, std::uint32_t,
                                   std::conditional_t<sizeof(T) == 2, std::uint16_t, std::uint8_t>>;
            return std::bit_cast<T>(static_cast<Bits>(bits));
        }
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

std::size_t elementSize(VARTYPE type)
{
    switch (type) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
        return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
        return 8;
    default:
        return 0;
    }
}

std::optional<QVariant> readScalar(const BlockReader& block, std::size_t at, VARTYPE type)
{
    const auto as = [&]<typename T>() -> std::optional<QVariant> {
        const auto value = block.Read<T>(at);
        return value ? std::optional<QVariant>(QVariant::fromValue(*value)) : std::nullopt;
    };
    switch (type) {
    case VT_I1:
        return as.operator()<signed char>();
    case VT_UI1:
        return as.operator()<uchar>();
    case VT_I2:
        return as.operator()<short>();
    case VT_UI2:
        return as.operator()<ushort>();
    case VT_I4:
    case VT_INT:
        return as.operator()<int>();
    case VT_UI4:
    case VT_UINT:
        return as.operator()<uint>();
    case VT_I8:
        return as.operator()<qlonglong>();
    case VT_UI8:
        return as.operator()<qulonglong>();
    case VT_R4:
        return as.operator()<float>();
    case VT_R8:
        return as.operator()<double>();
    case VT_BOOL: {
        const auto value = block.Read<std::uint16_t>(at);
        return value ? std::optional<QVariant>(*value != 0) : std::nullopt;
    }
    case VT_CY: {
        const auto value = block.Read<qint64>(at);
        return value ? std::optional<QVariant>(static_cast<double>(*value) / 10000.0)
                     : std::nullopt;
    }
    case VT_DATE: {
        const auto value = block.Read<double>(at);
        if (!value)
            return std::nullopt;
        const QDateTime date = OPCLocalFromDateTime(*value);
        return date.isValid() ? std::optional<QVariant>(date) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

// A string after its record: a 32-bit byte count, the UTF-16 characters, a terminating zero.
std::optional<QVariant> readString(const BlockReader& block, std::size_t at)
{
    const auto bytes = block.Read<std::uint32_t>(at);
    if (!bytes || *bytes % 2 != 0 || !block.Fits(at + 4, *bytes))
        return std::nullopt;
    QString text(static_cast<qsizetype>(*bytes / 2), Qt::Uninitialized);
    std::memcpy(text.data(), block.At(at + 4), *bytes);
    return QVariant(text);
}

// A one-dimensional array after its record: the array descriptor, its bound, the elements.
std::optional<QVariant> readArray(const BlockReader& block, std::size_t at, VARTYPE element)
{
    const std::size_t size = elementSize(element);
    const auto dimensions = block.Read<std::uint16_t>(at);
    const auto elementBytes = block.Read<std::uint32_t>(at + 4);
    const auto count = block.Read<std::uint32_t>(at + SafeArrayHeaderSize);
    if (size == 0 || !dimensions || *dimensions != 1 || !elementBytes || *elementBytes != size ||
        !count)
        return std::nullopt;
    const std::size_t first = at + SafeArrayHeaderSize + SafeArrayBoundSize;
    if (!block.Fits(first, 0) || *count > (block.Size() - first) / size)
        return std::nullopt;
    QVariantList values;
    values.reserve(static_cast<qsizetype>(*count));
    for (std::size_t i = 0; i < *count; ++i) {
        const auto value = readScalar(block, first + i * size, element);
        if (!value)
            return std::nullopt;
        values.append(*value);
    }
    return QVariant(values);
}

std::optional<QVariant> readValue(const BlockReader& block, std::size_t at)
{
    const auto type = block.Read<VARTYPE>(at);
    if (!type || !block.Fits(at, VariantSize))
        return std::nullopt;
    if (*type == VT_EMPTY || *type == VT_NULL)
        return QVariant();
    if (*type & VT_BYREF)
        return std::nullopt;
    if (*type == VT_BSTR)
        return readString(block, at + VariantSize);
    if (*type & VT_ARRAY)
        return readArray(block, at + VariantSize, *type & ~VT_ARRAY);
    return readScalar(block, at + VariantDataOffset, *type);
}

} // namespace

std::vector<TiOPCStreamItem> OPCReadStreamBlock(const std::uint8_t* block, std::size_t size,
                                                bool withTimeStamps)
{
    std::vector<TiOPCStreamItem> items;
    const BlockReader whole(block, block ? size : 0);
    const auto totalSize = whole.Read<std::uint32_t>(0);
    const auto itemCount = whole.Read<std::uint32_t>(4);
    const auto status = whole.Read<HRESULT>(16);
    if (!totalSize || !itemCount || !status || FAILED(*status) || *totalSize < GroupHeaderSize)
        return items;
    const std::size_t bound = std::min<std::size_t>(size, *totalSize);
    const BlockReader reader(block, bound);
    const std::size_t headerSize = withTimeStamps ? TimedItemHeaderSize : ItemHeaderSize;
    // Headers that do not all fit say nothing reliable about where any item lies.
    if (*itemCount > (bound - GroupHeaderSize) / headerSize)
        return items;
    const std::size_t headersEnd = GroupHeaderSize + *itemCount * headerSize;
    for (std::size_t i = 0; i < *itemCount; ++i) {
        const std::size_t header = GroupHeaderSize + i * headerSize;
        TiOPCStreamItem item;
        item.clientHandle = *reader.Read<OPCHANDLE>(header);
        item.quality = *reader.Read<WORD>(header + 8);
        if (withTimeStamps)
            item.timeStamp = *reader.Read<std::uint64_t>(header + 12);
        // The quality says what went wrong (a bad-quality VT_ERROR, say) even when the value
        // cannot be decoded: the item still arrives, its value empty.
        const std::uint32_t valueOffset = *reader.Read<std::uint32_t>(header + 4);
        if (valueOffset >= headersEnd)
            item.value = readValue(reader, valueOffset).value_or(QVariant());
        items.push_back(std::move(item));
    }
    return items;
}
