#pragma once

// The names and colours every board benchmark draws with: real clinic names
// of the lengths that decide font sizes.

#include "protocol/Records.h"

namespace tesk::bench {

inline const char* const kResourceNames[] = {"Anna Lind", "Dr. Berg", "Lindqvist", "Karin", "Barnmorskan",
                                             "Olle Sten", "Pia", "Rut Holm", "Sven", "Tove Ek", "Ulla",
                                             "Vera Ström"};
inline const char* const kCallerNames[] = {"Rum 1", "Lab", "Reception", "Akuten", "Rum 12 Barn", "Röntgen",
                                           "Mottagning 3", "Expedition", "Vårdrum Öst", "Kök"};
inline constexpr TColor kResourceColours[] = {0x00C000, 0x0000D0, 0xC08000, 0x8080FF,
                                              0x00FFFF, 0xFF00FF, 0x404040, 0xFFFFFF};
inline constexpr TColor kCallerColours[] = {0xFFFFFF, 0xC0FFC0, 0x80C0FF, 0x000080, 0x808080, 0x00A0FF};

} // namespace tesk::bench
