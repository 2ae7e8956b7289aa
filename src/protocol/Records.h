#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace tesk {

// Windows colour reference, 0x00BBGGRR (red in the low byte), as on the wire.
using TColor = std::uint32_t;

// Days since 1899-12-30 00:00, the fraction being the time of day; 0 = not set.
using TDateTime = double;

enum class TTESKClientType : std::uint8_t { ctCall = 0, ctShow = 1, ctAdmin = 2, ctHardware = 3 };

// Board pixels; right and bottom exclusive.
struct TViewRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    bool contains(int x, int y) const { return Left <= x && x < Right && Top <= y && y < Bottom; }
    bool operator==(const TViewRect&) const = default;
};

struct TTESKClientData {
    int Lopnr = -1;
    QString Name;
    QString FriendlyName;
    TColor Color = 0;
};

class TCaller {
public:
    QString CallerName;
    int CallerLopnr = 0;
    TDateTime CallTimeStamp = 0;
    TColor CallerColour = 0;
    int CallComingLopnr = 0;
    QString CallComingName;
    TDateTime CallComingTimeStamp = 0;
    TViewRect ViewRect;
};

class TCallObject {
public:
    QString CallName;
    int CallLopnr = 0;
    TColor CallColour = 0;
    int CallIX = 0;
    std::vector<std::unique_ptr<TCaller>> CurrentCallList; // owned, in received order
    TViewRect ViewRect;
};

// Copies, not references: a said call outlives the rebuilds of the call list.
class TLastSaid {
public:
    QString CallName;
    int CallLopnr = 0;
    TDateTime CallTimeStamp = 0;
    int CallerLopnr = 0;
    QString CallerName;
    TDateTime LastSaid = 0;
};

// Owned lists of the main window. The call list is replaced as a whole by
// every CURRENTLIST; the say list is reconciled with it.
using TCallList = std::vector<std::unique_ptr<TCallObject>>;
using TSayList = std::vector<std::unique_ptr<TLastSaid>>;

} // namespace tesk
