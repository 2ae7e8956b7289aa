#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace tesk {

inline constexpr QChar FrameChar = QChar(0x00A4); // "¤"

QString OpeningTag(const QString& command); // "¤CMD:"
QString ClosingTag(const QString& command); // ":CMD¤"

// The whole frame as one text: opening tag, fields joined by ":", closing tag.
QString ComposeFrame(const QString& command, const QStringList& fields);

// One frame found in a message text. `cut` runs from the opening tag through
// the ":" that begins the closing tag, so field k (from 1) is GetField(cut, k, ':').
struct FrameCut {
    qsizetype position = 0;      // of the opening tag, 0-based
    qsizetype removeLength = 0;  // characters to delete to remove the frame
    QString cut;

    QString field(int k) const;
    // The cut without its opening tag (it keeps the closing ":").
    QString payload(const QString& command) const;
};

// The first opening tag anywhere and the first closing tag after it
// (case-sensitive). None when either tag is missing.
std::optional<FrameCut> FindFrame(const QString& text, const QString& command);

// Deletes the frame from the text; what stands before and after stays.
void RemoveFrame(QString& text, const FrameCut& frame);

// The multi-pass driver of a dispatcher. Each handler looks for its own
// command in the text and removes what it handled; it returns Stop to end
// the processing of the whole message (a refused version, an error report).
enum class HandlerResult { Continue, Stop };
using MessageHandler = std::function<HandlerResult(QString& text)>;

// Runs the handlers in their fixed order, once per pass; another pass runs
// while the remaining text is non-blank and the pass changed it. Leftovers
// (unknown commands, stray text) are dropped silently.
void RunMessagePasses(QString text, const std::vector<MessageHandler>& handlers);

} // namespace tesk
