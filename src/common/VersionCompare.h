#pragma once

#include <QString>

namespace tesk {

// Compares two dotted version texts ("1.10.1") number by number: a missing
// part counts as 0, so "1.10" equals "1.10.0"; a part that is not a decimal
// number counts as 0. Negative when a < b, 0 when equal, positive when a > b.
int CompareDottedVersions(const QString& a, const QString& b);

// The older rule: every "." removed and the rest read as a decimal integer,
// 0 when that fails ("1.10.1" gives 1101, "2.0.0" gives 200).
int DotlessVersionNumber(const QString& version);

} // namespace tesk
