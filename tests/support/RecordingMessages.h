#pragma once

#include "common/UserMessages.h"

#include <QStringList>

#include <deque>

namespace tesk::test {

// Records every message instead of showing it. Yes/No answers come from a
// queue (default: No).
class RecordingMessages : public UserMessages {
public:
    struct Balloon {
        QString title;
        QString text;
        BalloonTarget target;
        int hideAfterMs = 0;
        int kind = 0;
    };

    QStringList infos;
    QStringList questions;
    std::vector<Balloon> balloons;
    std::deque<bool> answers;

    void ShowInfoMessage(const QString& text) override { infos << text; }
    bool AskYesNo(const QString& text) override
    {
        questions << text;
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void ShowBalloon(const QString& title, const QString& text, const BalloonTarget& target, int hideAfterMs,
                     int kind) override
    {
        balloons.push_back({title, text, target, hideAfterMs, kind});
    }
};

} // namespace tesk::test
