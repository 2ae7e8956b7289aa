#include "protocol/Framing.h"

#include "common/TextHelpers.h"

namespace tesk {

QString OpeningTag(const QString& command)
{
    return FrameChar + command + QLatin1Char(':');
}

QString ClosingTag(const QString& command)
{
    return QLatin1Char(':') + command + FrameChar;
}

QString ComposeFrame(const QString& command, const QStringList& fields)
{
    return OpeningTag(command) + fields.join(QLatin1Char(':')) + ClosingTag(command);
}

QString FrameCut::field(int k) const
{
    return GetField(cut, k, QLatin1Char(':'));
}

QString FrameCut::payload(const QString& command) const
{
    return cut.mid(OpeningTag(command).size());
}

std::optional<FrameCut> FindFrame(const QString& text, const QString& command)
{
    const QString open = OpeningTag(command);
    const QString close = ClosingTag(command);
    const qsizetype r = text.indexOf(open);
    if (r < 0)
        return std::nullopt;
    // The closing tag that follows the opening one (it may share the
    // opening tag's ":" when the payload is empty). A stray closing tag
    // earlier in the text would otherwise give an empty cut that a handler
    // would read as a frame without fields.
    const qsizetype s = text.indexOf(close, r + open.size() - 1);
    if (s < 0)
        return std::nullopt;
    FrameCut frame;
    frame.position = r;
    frame.cut = text.mid(r, s - r + 1);
    frame.removeLength = s - r + close.size();
    return frame;
}

void RemoveFrame(QString& text, const FrameCut& frame)
{
    text.remove(frame.position, frame.removeLength);
}

void RunMessagePasses(QString text, const std::vector<MessageHandler>& handlers)
{
    for (;;) {
        const QString passStart = text;
        for (const MessageHandler& handle : handlers) {
            if (handle(text) == HandlerResult::Stop)
                return;
        }
        if (IsBlank(text) || text == passStart)
            return;
    }
}

} // namespace tesk
