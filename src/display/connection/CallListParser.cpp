#include "display/connection/CallListParser.h"

#include "common/TextHelpers.h"
#include "protocol/DateTimeValue.h"

#include <QList>

namespace tesk {
namespace {

const QString kRecordEnd = QStringLiteral("%\u00A4:");
const QString kCallersOpen = QStringLiteral("\u00A4%");
const QString kCallersClose = QStringLiteral("%\u00A4");

// The first `count` fields of `text` split at `sep`, trimmed; missing ones
// are empty. Reads only as far as it needs to.
template <int N>
void LeadingFields(QStringView text, QChar sep, QStringView (&out)[N])
{
    qsizetype start = 0;
    for (int i = 0; i < N; ++i) {
        if (start > text.size()) {
            out[i] = {};
            continue;
        }
        qsizetype end = text.indexOf(sep, start);
        if (end < 0)
            end = text.size();
        out[i] = TrimBlankView(text.mid(start, end - start));
        start = end + 1;
    }
}

} // namespace

ParsedCallList ParseCurrentList(QStringView payload)
{
    ParsedCallList result;
    const QString kallarPa = QStringLiteral(" kallar p\u00E5 ");
    qsizetype pos = 0;
    for (;;) {
        const qsizetype end = payload.indexOf(kRecordEnd, pos);
        if (end < 0)
            break;
        const QStringView record = payload.mid(pos, end + kRecordEnd.size() - pos);
        pos = end + kRecordEnd.size();

        QStringView head[4];
        LeadingFields(record, QLatin1Char(':'), head);
        if (head[0].isEmpty())
            break;

        auto call = std::make_unique<TCallObject>();
        call->CallName = head[0].toString();
        call->CallLopnr = ReadInt(head[1], 0);
        call->CallColour = static_cast<TColor>(ReadInt(head[2], 0));
        call->CallIX = ReadInt(head[3], 0);

        // The record always holds "%¤" (it ends with "%¤:"); without a "¤%"
        // before it the call simply has no callers.
        const qsizetype open = record.indexOf(kCallersOpen);
        const qsizetype close = record.indexOf(kCallersClose);
        if (open >= 0 && close >= open + kCallersOpen.size()) {
            const QStringView callers = record.mid(open + kCallersOpen.size(), close - open - kCallersOpen.size());
            const QList<QStringView> fields = callers.split(QLatin1Char('~'));
            auto field = [&fields](qsizetype i) { return i < fields.size() ? TrimBlankView(fields.at(i)) : QStringView(); };
            for (qsizetype j = 0;; j += 7) {
                const QStringView name = field(j);
                if (name.isEmpty())
                    break;
                auto caller = std::make_unique<TCaller>();
                caller->CallerName = name.toString();
                caller->CallerLopnr = ReadInt(field(j + 1), 0);
                caller->CallTimeStamp = ParseWireDateTime(field(j + 2).toString());
                caller->CallerColour = static_cast<TColor>(ReadInt(field(j + 3), 0));
                caller->CallComingLopnr = ReadInt(field(j + 4), 0);
                caller->CallComingTimeStamp = ParseWireDateTime(field(j + 5).toString());
                caller->CallComingName = field(j + 6).toString();
                result.BalloonText += caller->CallerName + kallarPa + call->CallName + QStringLiteral(", \r");
                call->CurrentCallList.push_back(std::move(caller));
                ++result.CallerCount;
            }
        }
        result.CallList.push_back(std::move(call));
    }
    return result;
}

} // namespace tesk
