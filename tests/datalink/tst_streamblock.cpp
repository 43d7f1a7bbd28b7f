// The stream block reader against well-formed blocks and against every kind of broken one a
// server could send: nothing outside the block may be read, and intact items still come out.
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
        result.push_back(item.ClientHandle);
    return result;
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
        QCOMPARE(items[0].Value, QVariant(42));
        QCOMPARE(items[0].Quality, OPC_QUALITY_GOOD);
        QCOMPARE(items[0].TimeStamp, 132000000000000000ULL);
        QCOMPARE(items[1].Value, QVariant(QStringLiteral("Flur Süd")));
        QCOMPARE(items[1].Quality, OPC_QUALITY_UNCERTAIN);
        QCOMPARE(items[2].Value, QVariant(QVariantList{1.5, -2.25, 3.0}));
        QCOMPARE(items[2].TimeStamp, 132000000000000002ULL);
    }

    void blockWithoutTimeStampsHasShorterHeadersAndNoTime()
    {
        const auto items = read(threeItems(false).Block(), false);
        QCOMPARE(handles(items), (std::vector<OPCHANDLE>{11, 12, 13}));
        QCOMPARE(items[1].Value, QVariant(QStringLiteral("Flur Süd")));
        for (const auto& item : items)
            QCOMPARE(item.TimeStamp, 0ULL);
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
        const auto items = read(writer.Block(), false);
        QCOMPARE(items.size(), 6u);
        QCOMPARE(items[0].Value, QVariant(true));
        QCOMPARE(items[1].Value, QVariant(false));
        QCOMPARE(items[2].Value, QVariant::fromValue<short>(-7));
        QCOMPARE(items[3].Value, QVariant(2.5f));
        QVERIFY(!items[4].Value.isValid());
        QCOMPARE(items[5].Value, QVariant(QString()));
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

    void everyTruncationKeepsOnlyItemsThatLieInside()
    {
        const StreamBlockWriter writer = threeItems(true);
        const QByteArray block = writer.Block();
        const auto whole = read(block, true);
        for (int size = 0; size < block.size(); ++size) {
            const auto items = read(block.left(size), true);
            QVERIFY(items.size() < whole.size());
            for (const auto& item : items) {
                const auto& same = whole[item.ClientHandle - 11];
                QCOMPARE(item.Value, same.Value);
                QCOMPARE(item.Quality, same.Quality);
            }
        }
    }

    void itemCountBeyondTheBlockGivesNothing()
    {
        const StreamBlockWriter writer = threeItems(true);
        QByteArray block = writer.Block();
        const int fitting =
            (block.size() - StreamBlockWriter::HeaderSize) / writer.ItemHeaderSize();
        PutField32(block, 4, std::uint32_t(fitting));
        QVERIFY(read(block, true).size() <= 3);
        PutField32(block, 4, std::uint32_t(fitting + 1));
        QVERIFY(read(block, true).empty());
        PutField32(block, 4, 0xFFFFFFFF);
        QVERIFY(read(block, true).empty());
    }

    void valueOffsetPastTheEndSkipsOnlyThatItem()
    {
        const StreamBlockWriter writer = threeItems(true);
        for (const std::uint32_t offset :
             {std::uint32_t(writer.Block().size()), std::uint32_t(writer.Block().size() - 8),
              0xFFFFFFF8u, 0xFFFFFFFFu}) {
            QByteArray block = writer.Block();
            PutField32(block, itemHeader(writer, 0) + 4, offset);
            QCOMPARE(handles(read(block, true)), (std::vector<OPCHANDLE>{12, 13}));
        }
    }

    void valueOffsetIntoTheHeadersSkipsOnlyThatItem()
    {
        const StreamBlockWriter writer = threeItems(false);
        for (const int offset : {0, 4, StreamBlockWriter::HeaderSize, itemHeader(writer, 2),
                                 itemHeader(writer, 3) - 1}) {
            QByteArray block = writer.Block();
            PutField32(block, itemHeader(writer, 1) + 4, std::uint32_t(offset));
            QCOMPARE(handles(read(block, false)), (std::vector<OPCHANDLE>{11, 13}));
        }
    }

    void sizeInTheHeaderBoundsTheBlock()
    {
        QByteArray block = threeItems(true).Block();
        // The array, last in the block, no longer lies within the announced size.
        PutField32(block, 0, std::uint32_t(block.size() - 4));
        QCOMPARE(handles(read(block, true)), (std::vector<OPCHANDLE>{11, 12}));
        PutField32(block, 0, StreamBlockWriter::HeaderSize - 1);
        QVERIFY(read(block, true).empty());
    }

    void stringLengthPastTheEndSkipsOnlyThatItem()
    {
        const StreamBlockWriter writer = threeItems(true);
        const int lengthField = int(Field32(writer.Block(), itemHeader(writer, 1) + 4)) + 16;
        for (const std::uint32_t length : {0xFFFFFFFEu, 0x7FFFFFFEu, 4000u, 15u}) {
            QByteArray block = writer.Block();
            PutField32(block, lengthField, length);
            QCOMPARE(handles(read(block, true)), (std::vector<OPCHANDLE>{11, 13}));
        }
    }

    void arrayCountPastTheEndSkipsOnlyThatItem()
    {
        const StreamBlockWriter writer = threeItems(true);
        const int countField = int(Field32(writer.Block(), itemHeader(writer, 2) + 4)) + 32;
        QCOMPARE(Field32(writer.Block(), countField), 3u);
        for (const std::uint32_t count : {4u, 0x20000000u, 0xFFFFFFFFu}) {
            QByteArray block = writer.Block();
            PutField32(block, countField, count);
            QCOMPARE(handles(read(block, true)), (std::vector<OPCHANDLE>{11, 12}));
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
            QVERIFY(items.size() <= 3);
        }
    }
};

QTEST_GUILESS_MAIN(StreamBlockTest)
#include "tst_streamblock.moc"
