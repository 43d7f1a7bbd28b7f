#include "link/LinkTrace.h"

#include "serial/LineTrace.h"

namespace {

QString hexByte(std::uint8_t byte)
{
    return LineTraceHex(QByteArray(1, char(byte)));
}

} // namespace

QString ReplyTraceText(std::span<const std::uint8_t> reply, ReplyForm form,
                       const IndicatorLookup& indicators)
{
    const QString what = form == ReplyForm::Whole
                             ? QStringLiteral("reply")
                             : QStringLiteral("lone burst of %1 bytes").arg(reply.size());
    const auto status = RecogniseStatusReply(reply);
    if (!status) {
        const QString command = reply.size() > ControllerFrameLayout::Command
                                    ? hexByte(reply[ControllerFrameLayout::Command])
                                    : QStringLiteral("missing");
        return QStringLiteral("%1 ignored: command %2").arg(what, command);
    }
    if (indicators.ShapesOf(status->address).empty())
        return QStringLiteral("%1 for board %2 ignored: no such board")
            .arg(what)
            .arg(status->address);
    const QString applied = form == ReplyForm::Whole ? QStringLiteral("reply applied for board")
                                                     : what + QStringLiteral(" applied as a "
                                                                             "reply for board");
    return QStringLiteral("%1 %2: status %3")
        .arg(applied)
        .arg(status->address)
        .arg(hexByte(status->statusMask));
}

QString DropTraceText(std::size_t count, DropReason why)
{
    QString reason;
    switch (why) {
    case DropReason::Noise:
        reason = QStringLiteral("noise around the replies");
        break;
    case DropReason::FalseStart:
        reason = QStringLiteral("a false start overlapping the reply after it");
        break;
    case DropReason::NoReply:
        reason = QStringLiteral("a burst without a reply");
        break;
    case DropReason::Discarded:
        reason = QStringLiteral("input discarded");
        break;
    }
    return QStringLiteral("dropped %1 %2: %3")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"), reason);
}
