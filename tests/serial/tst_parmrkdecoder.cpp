// The PARMRK mark decoder: pure logic over raw driver bytes.

#include "serial/ParmrkDecoder.h"

#include <QTest>

namespace {

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> bytes;
    for (const int v : values)
        bytes.push_back(std::uint8_t(v));
    return bytes;
}

ParmrkChunk decodeOne(ParmrkDecoder& decoder, std::initializer_list<int> raw)
{
    const std::vector<std::uint8_t> bytes = bytesOf(raw);
    return decoder.Decode(bytes);
}

} // namespace

class TestParmrkDecoder : public QObject
{
    Q_OBJECT
private slots:
    void plainBytesPassUnchanged()
    {
        ParmrkDecoder decoder;
        const ParmrkChunk chunk = decodeOne(decoder, {0xAA, 0x01, 0x09, 0x00, 0xFE});
        QCOMPARE(chunk.data, bytesOf({0xAA, 0x01, 0x09, 0x00, 0xFE}));
        QCOMPARE(chunk.errorMarks, 0);
        QCOMPARE(decoder.PendingBytes(), 0);
    }

    void escapedFFIsOneDataByte()
    {
        ParmrkDecoder decoder;
        const ParmrkChunk chunk = decodeOne(decoder, {0x41, 0xFF, 0xFF, 0x42});
        QCOMPARE(chunk.data, bytesOf({0x41, 0xFF, 0x42}));
        QCOMPARE(chunk.errorMarks, 0);
    }

    void framingMarkIsAnErrorNotData()
    {
        ParmrkDecoder decoder;
        const ParmrkChunk chunk = decodeOne(decoder, {0x41, 0xFF, 0x00, 0x58, 0x42});
        QCOMPARE(chunk.data, bytesOf({0x41, 0x42}));
        QCOMPARE(chunk.errorMarks, 1);
    }

    void markedZeroAndBreakAreErrors()
    {
        ParmrkDecoder decoder;
        const ParmrkChunk chunk = decodeOne(decoder, {0xFF, 0x00, 0x00});
        QVERIFY(chunk.data.empty());
        QCOMPARE(chunk.errorMarks, 1);
    }

    void markedFFIsAnErrorNotAnEscape()
    {
        // 0xFF 0x00 0xFF: the bad byte happened to read 0xFF; it is not the start of an escape.
        ParmrkDecoder decoder;
        const ParmrkChunk chunk = decodeOne(decoder, {0xFF, 0x00, 0xFF, 0x41});
        QCOMPARE(chunk.data, bytesOf({0x41}));
        QCOMPARE(chunk.errorMarks, 1);
        QCOMPARE(decoder.PendingBytes(), 0);
    }

    void everyMarkIsCounted()
    {
        ParmrkDecoder decoder;
        const ParmrkChunk chunk =
            decodeOne(decoder, {0xFF, 0x00, 0x01, 0x41, 0xFF, 0x00, 0x02, 0xFF, 0xFF});
        QCOMPARE(chunk.data, bytesOf({0x41, 0xFF}));
        QCOMPARE(chunk.errorMarks, 2);
    }

    void strayFFKeepsBothBytes()
    {
        ParmrkDecoder decoder;
        const ParmrkChunk chunk = decodeOne(decoder, {0xFF, 0x41});
        QCOMPARE(chunk.data, bytesOf({0xFF, 0x41}));
        QCOMPARE(chunk.errorMarks, 0);
    }

    void markSplitAfterFF()
    {
        ParmrkDecoder decoder;
        ParmrkChunk first = decodeOne(decoder, {0x41, 0xFF});
        QCOMPARE(first.data, bytesOf({0x41}));
        QCOMPARE(decoder.PendingBytes(), 1);
        ParmrkChunk second = decodeOne(decoder, {0x00, 0x58, 0x42});
        QCOMPARE(second.data, bytesOf({0x42}));
        QCOMPARE(second.errorMarks, 1);
        QCOMPARE(decoder.PendingBytes(), 0);
    }

    void markSplitAfterFF00()
    {
        ParmrkDecoder decoder;
        ParmrkChunk first = decodeOne(decoder, {0xFF, 0x00});
        QVERIFY(first.data.empty());
        QCOMPARE(first.errorMarks, 0);
        QCOMPARE(decoder.PendingBytes(), 2);
        ParmrkChunk second = decodeOne(decoder, {0x58});
        QVERIFY(second.data.empty());
        QCOMPARE(second.errorMarks, 1);
    }

    void escapeSplitAcrossChunks()
    {
        ParmrkDecoder decoder;
        QVERIFY(decodeOne(decoder, {0xFF}).data.empty());
        const ParmrkChunk second = decodeOne(decoder, {0xFF, 0x43});
        QCOMPARE(second.data, bytesOf({0xFF, 0x43}));
        QCOMPARE(second.errorMarks, 0);
    }

    void markSplitOverThreeChunks()
    {
        ParmrkDecoder decoder;
        QCOMPARE(decodeOne(decoder, {0xFF}).errorMarks, 0);
        QCOMPARE(decodeOne(decoder, {0x00}).errorMarks, 0);
        const ParmrkChunk third = decodeOne(decoder, {0x58, 0x43});
        QCOMPARE(third.data, bytesOf({0x43}));
        QCOMPARE(third.errorMarks, 1);
    }

    void emptyChunkKeepsPendingState()
    {
        ParmrkDecoder decoder;
        decodeOne(decoder, {0xFF});
        QVERIFY(decoder.Decode({}).data.empty());
        QCOMPARE(decoder.PendingBytes(), 1);
    }

    void resetForgetsAPartialMark()
    {
        ParmrkDecoder decoder;
        decodeOne(decoder, {0xFF, 0x00});
        decoder.Reset();
        QCOMPARE(decoder.PendingBytes(), 0);
        const ParmrkChunk chunk = decodeOne(decoder, {0x58});
        QCOMPARE(chunk.data, bytesOf({0x58}));
        QCOMPARE(chunk.errorMarks, 0);
    }

    void byteWiseDecodingEqualsWholeDecoding()
    {
        const std::vector<std::uint8_t> raw =
            bytesOf({0x01, 0xFF, 0xFF, 0xFF, 0x00, 0x07, 0xFF, 0x00, 0x00, 0x02, 0xFF, 0x33, 0xFF,
                     0xFF, 0xFF, 0x00, 0xFF});
        ParmrkDecoder whole;
        const ParmrkChunk all = whole.Decode(raw);
        ParmrkDecoder piecewise;
        std::vector<std::uint8_t> data;
        int marks = 0;
        for (const std::uint8_t byte : raw) {
            const ParmrkChunk one = piecewise.Decode(std::span<const std::uint8_t>(&byte, 1));
            data.insert(data.end(), one.data.begin(), one.data.end());
            marks += one.errorMarks;
        }
        QCOMPARE(data, all.data);
        QCOMPARE(marks, all.errorMarks);
        QCOMPARE(all.data, bytesOf({0x01, 0xFF, 0x02, 0xFF, 0x33, 0xFF}));
        QCOMPARE(all.errorMarks, 3);
    }
};

QTEST_APPLESS_MAIN(TestParmrkDecoder)
#include "tst_parmrkdecoder.moc"
