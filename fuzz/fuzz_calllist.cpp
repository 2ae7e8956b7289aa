// The call-list parser on any payload: it must count what it builds.

#include "FuzzSupport.h"

#include "display/connection/CallListParser.h"
#include "protocol/Codepage.h"

using namespace tesk;
using namespace tesk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString payload = FromAnsi(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const ParsedCallList parsed = ParseCurrentList(payload);

    int callers = 0;
    for (const auto& call : parsed.CallList) {
        TESK_FUZZ_CHECK(call != nullptr);
        TESK_FUZZ_CHECK(!call->CallName.isEmpty());
        for (const auto& caller : call->CurrentCallList) {
            TESK_FUZZ_CHECK(caller != nullptr);
            TESK_FUZZ_CHECK(!caller->CallerName.isEmpty());
            ++callers;
        }
    }
    TESK_FUZZ_CHECK(callers == parsed.CallerCount);
    // One balloon line per caller.
    TESK_FUZZ_CHECK(parsed.BalloonText.count(QStringLiteral(", \r")) >= parsed.CallerCount);
    return 0;
}
