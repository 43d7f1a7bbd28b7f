// The stream block reader against well-formed blocks and against every kind of broken one a
// server could send: nothing outside the block may be read, and every item whose header lies
// inside still comes out, its value empty when it cannot be decoded.
#include "datalink/iOPCStream.h"

#include "StreamBlockWriter.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

std::vector<TiOPCStreamItem> read(const QByteArray& block, bool withTimeStamps)
{
    // A copy of exactly the block's size, so that the sanitizer sees any read past it.
    std::vector<std::uint8_t> exact(block.begin(), block.end());
    return OPCReadStreamBlock(exact.data(), exact.size(), withTimeStamps);
}

std::vector<OPCHANDLE> handles(const std::vector<TiOPCStreamItem>& items)
{
    std::vector<OPCHANDLE> result;
    for (const auto& item : items)
        result.push_back(item.clientHandle);
    return result;
}

// The handles, qualities and time stamps are those of the whole block; only the one item's
// value is empty.
void checkOnlyValueEmptied(const std::vector<TiOPCStreamItem>& items,
                           const std::vector<TiOPCStreamItem>& whole, std::size_t emptied)
{
    QCOMPARE(items.size(), whole.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        QCOMPARE(items[i].clientHandle, whole[i].clientHandle);
        QCOMPARE(items[i].quality, whole[i].quality);
        QCOMPARE(items[i].timeStamp, whole[i].timeStamp);
        if (i == emptied)
            QVERIFY(!items[i].value.isValid());
        else
            QCOMPARE(items[i].value, whole[i].value);
    }
}

constexpr VARTYPE VT_DECIMAL = 14;

// What follows the record of a one-dimensional array of one element: the descriptor, the bound
// and the element.
QByteArray arrayOfOne(const QByteArray& element)
{
    QByteArray array(24, '\0');
    PutField32(array, 0, 1);
    PutField32(array, 4, std::uint32_t(element.size()));
    PutField32(array, 16, 1);
    return array + element;
}

int itemHeader(const StreamBlockWriter& writer, int index)
{
    return StreamBlockWriter::HeaderSize + index * writer.ItemHeaderSize();
}

// Three items: an integer, a text and an array of doubles.
StreamBlockWriter threeItems(bool withTimeStamps)
{
    StreamBlockWriter writer(withTimeStamps);
    writer.Add(11, OPC_QUALITY_GOOD, 42, 132000000000000000ULL);
    writer.Add(12, OPC_QUALITY_UNCERTAIN, QStringLiteral("Flur Süd"), 132000000000000001ULL);
    writer.Add(13, OPC_QUALITY_BAD, QVariantList{1.5, -2.25, 3.0}, 132000000000000002ULL);
    return writer;
}

} // namespace

class StreamBlockTest : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryItemWithTimeStamps()
    {
        const auto items = read(threeItems(true).Block(), true);
        QCOMPARE(handles(items), (std::vector<OPCHANDLE>{11, 12, 13}));
        QCOMPARE(items[0].value, QVariant(42));
        QCOMPARE(items[0].quality, OPC_QUALITY_GOOD);
        QCOMPARE(items[0].timeStamp, 132000000000000000ULL);
        QCOMPARE(items[1].value, QVariant(QStringLiteral("Flur Süd")));
        QCOMPARE(items[1].quality, OPC_QUALITY_UNCERTAIN);
        QCOMPARE(items[2].value, QVariant(QVariantList{1.5, -2.25, 3.0}));
        QCOMPARE(items[2].timeStamp, 132000000000000002ULL);
    }

    void blockWithoutTimeStampsHasShorterHeadersAndNoTime()
    {
        const auto items = read(threeItems(false).Block(), false);
        QCOMPARE(handles(items), (std::vector<OPCHANDLE>{11, 12, 13}));
        QCOMPARE(items[1].value, QVariant(QStringLiteral("Flur Süd")));
        for (const auto& item : items)
            QCOMPARE(item.timeStamp, 0ULL);
    }

    void scalarTypesDecode()
    {
        StreamBlockWriter writer(false);
        writer.Add(1, OPC_QUALITY_GOOD, true);
        writer.Add(2, OPC_QUALITY_GOOD, false);
        writer.Add(3, OPC_QUALITY_GOOD, QVariant::fromValue<short>(-7));
        writer.Add(4, OPC_QUALITY_GOOD, 2.5f);
        writer.Add(5, OPC_QUALITY_GOOD, QVariant());
        writer.Add(6, OPC_QUALITY_GOOD, QString());
        writer.AddRecord(7, OPC_QUALITY_GOOD,
                         VariantRecord(VT_ARRAY | VT_I4, arrayOfOne(QByteArray("\x05\0\0\0", 4))));
        const auto items = read(writer.Block(), false);
        QCOMPARE(items.size(), 7u);
        QCOMPARE(items[0].value, QVariant(true));
        QCOMPARE(items[1].value, QVariant(false));
        QCOMPARE(items[2].value, QVariant::fromValue<short>(-7));
        QCOMPARE(items[3].value, QVariant(2.5f));
        QVERIFY(!items[4].value.isValid());
        QCOMPARE(items[5].value, QVariant(QString()));
        QCOMPARE(items[6].value, QVariant(QVariantList{5}));
    }

    void failedGroupStatusGivesNothing()
    {
        QVERIFY(read(threeItems(true).Block(0, 0, E_FAIL), true).empty());
    }

    void truncatedGroupHeaderGivesNothing()
    {
        const QByteArray block = threeItems(true).Block();
        for (int size = 0; size < StreamBlockWriter::HeaderSize; ++size)
            QVERIFY(read(block.left(size), true).empty());
    }

    void undecodableValuesArriveEmptyWithTheirHeader_data()
    {
        QTest::addColumn<QByteArray>("value");
        QByteArray error = VariantRecord(VT_ERROR);
        PutField32(error, 8, std::uint32_t(E_FAIL));
        QTest::newRow("error") << error;
        QTest::newRow("decimal") << VariantRecord(VT_DECIMAL);
        QTest::newRow("array of strings")
            << VariantRecord(VT_ARRAY | VT_BSTR, arrayOfOne(QByteArray(4, '\0')));
        QTest::newRow("array of variants")
            << VariantRecord(VT_ARRAY | VT_VARIANT, arrayOfOne(VariantRecord(VT_I4)));
        QTest::newRow("odd-length string")
            << VariantRecord(VT_BSTR, QByteArray("\x03\0\0\0a\0b\0\0", 9));
        QTest::newRow("reference") << VariantRecord(VT_BYREF | VT_I4);
    }

    void undecodableValuesArriveEmptyWithTheirHeader()
    {
        QFETCH(QByteArray, value);
        for (const bool withTimeStamps : {true, false}) {
            StreamBlockWriter writer(withTimeStamps);
            writer.Add(1, OPC_QUALITY_GOOD, 7, 132000000000000000ULL);
            writer.AddRecord(2, OPC_QUALITY_BAD | 0x04, value, 132000000000000001ULL);
            writer.Add(3, OPC_QUALITY_GOOD, 9, 132000000000000002ULL);
            const auto items = read(writer.Block(), withTimeStamps);
            QCOMPARE(handles(items), (std::vector<OPCHANDLE>{1, 2, 3}));
            QVERIFY(!items[1].value.isValid());
            QCOMPARE(items[1].quality, WORD(OPC_QUALITY_BAD | 0x04));
            QCOMPARE(items[1].timeStamp, withTimeStamps ? 132000000000000001ULL : 0ULL);
            QCOMPARE(items[0].value, QVariant(7));
            QCOMPARE(items[2].value, QVariant(9));
        }
    }

    void everyTruncationKeepsTheHeadersThatLieInside()
    {
        const StreamBlockWriter writer = threeItems(true);
        const QByteArray block = writer.Block();
        const auto whole = read(block, true);
        const int headersEnd = itemHeader(writer, 3);
        for (int size = 0; size < block.size(); ++size) {
            const auto items = read(block.left(size), true);
            if (size < headersEnd) {
                QVERIFY(items.empty());
                continue;
            }
            QCOMPARE(handles(items), handles(whole));
            // The last value is cut in every truncation; the others are whole or empty.
            QVERIFY(!items[2].value.isValid());
            for (std::size_t i = 0; i < items.size(); ++i) {
                QCOMPARE(items[i].quality, whole[i].quality);
                QCOMPARE(items[i].timeStamp, whole[i].timeStamp);
                QVERIFY(items[i].value == whole[i].value || !items[i].value.isValid());
            }
        }
    }

    void itemCountBeyondTheBlockGivesNothing()
    {
        const StreamBlockWriter writer = threeItems(true);
        QByteArray block = writer.Block();
        const int fitting =
            (block.size() - StreamBlockWriter::HeaderSize) / writer.ItemHeaderSize();
        // The values behind the three headers now read as more headers.
        PutField32(block, 4, std::uint32_t(fitting));
        QCOMPARE(read(block, true).size(), std::size_t(fitting));
        PutField32(block, 4, std::uint32_t(fitting + 1));
        QVERIFY(read(block, true).empty());
        PutField32(block, 4, 0xFFFFFFFF);
        QVERIFY(read(block, true).empty());
    }

    void valueOffsetPastTheEndEmptiesOnlyThatValue()
    {
        const StreamBlockWriter writer = threeItems(true);
        const auto whole = read(writer.Block(), true);
        for (const std::uint32_t offset :
             {std::uint32_t(writer.Block().size()), std::uint32_t(writer.Block().size() - 8),
              0xFFFFFFF8u, 0xFFFFFFFFu}) {
            QByteArray block = writer.Block();
            PutField32(block, itemHeader(writer, 0) + 4, offset);
            checkOnlyValueEmptied(read(block, true), whole, 0);
        }
    }

    void valueOffsetIntoTheHeadersEmptiesOnlyThatValue()
    {
        const StreamBlockWriter writer = threeItems(false);
        const auto whole = read(writer.Block(), false);
        for (const int offset : {0, 4, StreamBlockWriter::HeaderSize, itemHeader(writer, 2),
                                 itemHeader(writer, 3) - 1}) {
            QByteArray block = writer.Block();
            PutField32(block, itemHeader(writer, 1) + 4, std::uint32_t(offset));
            checkOnlyValueEmptied(read(block, false), whole, 1);
        }
    }

    void sizeInTheHeaderBoundsTheBlock()
    {
        QByteArray block = threeItems(true).Block();
        const auto whole = read(block, true);
        // The array, last in the block, no longer lies within the announced size.
        PutField32(block, 0, std::uint32_t(block.size() - 4));
        checkOnlyValueEmptied(read(block, true), whole, 2);
        PutField32(block, 0, StreamBlockWriter::HeaderSize - 1);
        QVERIFY(read(block, true).empty());
    }

    void stringLengthPastTheEndOrOddEmptiesOnlyThatValue()
    {
        const StreamBlockWriter writer = threeItems(true);
        const auto whole = read(writer.Block(), true);
        const int lengthField = int(Field32(writer.Block(), itemHeader(writer, 1) + 4)) + 16;
        for (const std::uint32_t length : {0xFFFFFFFEu, 0x7FFFFFFEu, 4000u, 15u}) {
            QByteArray block = writer.Block();
            PutField32(block, lengthField, length);
            checkOnlyValueEmptied(read(block, true), whole, 1);
        }
    }

    void arrayCountPastTheEndEmptiesOnlyThatValue()
    {
        const StreamBlockWriter writer = threeItems(true);
        const auto whole = read(writer.Block(), true);
        const int countField = int(Field32(writer.Block(), itemHeader(writer, 2) + 4)) + 32;
        QCOMPARE(Field32(writer.Block(), countField), 3u);
        for (const std::uint32_t count : {4u, 0x20000000u, 0xFFFFFFFFu}) {
            QByteArray block = writer.Block();
            PutField32(block, countField, count);
            checkOnlyValueEmptied(read(block, true), whole, 2);
        }
    }

    void randomDamageNeverReadsOutside()
    {
        const QByteArray original = threeItems(true).Block();
        QRandomGenerator random(20240611);
        for (int round = 0; round < 5000; ++round) {
            QByteArray block = original;
            const int flips = 1 + int(random.bounded(6));
            for (int i = 0; i < flips; ++i)
                block[int(random.bounded(block.size()))] = char(random.bounded(256));
            if (random.bounded(4) == 0)
                block.truncate(int(random.bounded(block.size())));
            const auto items = read(block, round % 2 == 0);
            // Each item has a header of its own inside the block.
            QVERIFY(items.size() <= std::size_t(block.size()) / 12);
        }
    }
};

QTEST_GUILESS_MAIN(StreamBlockTest)
#include "tst_streamblock.moc"
