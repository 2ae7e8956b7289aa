// GetField, IsIPv4Address and the number readers on any text.

#include "FuzzSupport.h"

#include "common/TextHelpers.h"
#include "protocol/Codepage.h"

using namespace tesk;
using namespace tesk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InputReader in(data, size);
    const int index = int(in.byte() % 40) - 2; // a few negative indexes too
    const QString separatorText = FromAnsi(in.bytes(1));
    const QChar separator = separatorText.isEmpty() ? QLatin1Char(':') : separatorText.front();
    const QString text = FromAnsi(in.rest());

    const QString field = GetField(text, index, separator);
    const QStringList parts = text.split(separator);
    if (index < 0 || index >= parts.size())
        TESK_FUZZ_CHECK(field.isEmpty());
    else
        TESK_FUZZ_CHECK(field == TrimBlank(parts[index]));

    if (IsIPv4Address(text)) {
        const QStringList numbers = text.split(QLatin1Char('.'));
        TESK_FUZZ_CHECK(numbers.size() >= 4);
        for (int i = 0; i < 4; ++i) {
            bool ok = false;
            const int n = numbers[i].toInt(&ok);
            TESK_FUZZ_CHECK(ok && n >= 0 && n <= 255 && !numbers[i].startsWith(QLatin1Char('+')));
        }
    }

    const int n = ReadInt(text, 12345);
    if (n != 12345) {
        bool ok = false;
        TESK_FUZZ_CHECK(TrimBlank(text).toInt(&ok) == n && ok);
    }
    (void)ReadBool(text, true);
    TESK_FUZZ_CHECK(TrimBlank(TrimBlank(text)) == TrimBlank(text));
    return 0;
}
