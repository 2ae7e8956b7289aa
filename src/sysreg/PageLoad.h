#pragma once

#include <functional>

namespace tesk {

// A page load reads settings that may wait for the server, and meanwhile a
// nested load may start (a version answer, the user picking a tab). The
// load asks this after every such read and stops when it returns false:
// the later load wins and the earlier one no longer writes its controls.
using LoadStillCurrent = std::function<bool()>;

} // namespace tesk
