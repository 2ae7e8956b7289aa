// The receive assembly, fed with reads cut where the input says. A length
// byte of 0xFF stands for a new connection (the assembly is reset).

#include "FuzzSupport.h"

#include "protocol/ReceiveAssembly.h"

using namespace tesk;
using namespace tesk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A small cap, so that inputs of a few KiB reach the drop as well.
    constexpr qsizetype cap = 2048;
    int drops = 0;
    ReceiveAssembler assembler([&](const QString& reason) {
        ++drops;
        TESK_FUZZ_CHECK(!reason.isEmpty());
    }, cap);

    InputReader in(data, size);
    while (!in.atEnd()) {
        const uint8_t cut = in.byte();
        if (cut == 0xFF) {
            assembler.reset();
            TESK_FUZZ_CHECK(!assembler.datanotready());
            continue;
        }
        const QByteArray read = in.bytes(size_t(cut % 97) + 1);
        const int dropsBefore = drops;
        const std::optional<QString> message = assembler.feed(read);
        TESK_FUZZ_CHECK(assembler.completeincomestring().size() <= cap);
        if (!assembler.datanotready())
            TESK_FUZZ_CHECK(assembler.completeincomestring().isEmpty());
        if (drops != dropsBefore)
            TESK_FUZZ_CHECK(!message && !assembler.datanotready());
        if (message)
            TESK_FUZZ_CHECK(message->size() <= read.size() + assembler.maxMessageBytes());
    }
    return 0;
}
