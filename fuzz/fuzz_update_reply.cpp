// The update reply assembly, fed with reads cut where the input says. A
// length byte of 0xFF stands for a new check (the assembly is reset).
//
// Beside it runs the wire's rule for a build, kept as plain as it reads: a
// build opens with a read that holds the start marker and the opening tag
// but no end marker, takes every byte of every read after that, and ends
// before the end marker of the first read that holds it whole (a closing tag
// right before the marker is not part of it). A build that the assembly
// hands on must be exactly that, since the client stores and starts it.

#include "FuzzSupport.h"

#include "common/UpdateReplyAssembly.h"
#include "protocol/Framing.h"

#include <optional>

using namespace tesk;
using namespace tesk::fuzz;

namespace {

const QByteArray Start("#DATASTART#");
const QByteArray End("#DATAEND#");
const QByteArray OpenTag("\xA4RETNEWCLIENT:");
const QByteArray CloseTag(":RETNEWCLIENT\xA4");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A small bound, so that inputs of a few KiB reach the drop as well.
    constexpr qsizetype cap = 4096;
    UpdateReplyAssembler assembler(cap);
    // The build under way by the wire's rule, when one is.
    std::optional<QByteArray> build;

    InputReader in(data, size);
    while (!in.atEnd()) {
        const uint8_t cut = in.byte();
        if (cut == 0xFF) {
            assembler.reset();
            build.reset();
            TESK_FUZZ_CHECK(!assembler.dataNotReady() && !assembler.dataIsNewFile());
            TESK_FUZZ_CHECK(assembler.pendingBytes() == 0);
            continue;
        }
        const QByteArray read = in.bytes(size_t(cut % 97) + 1);

        // What the wire's rule expects of this read.
        std::optional<QByteArray> expectedFile;
        // The build's bytes by the rule after this read, before a closing tag is cut.
        std::optional<qsizetype> buildBytes;
        if (read.contains(Start)) {
            build.reset();
            const qsizetype start = read.indexOf(Start);
            const qsizetype tag = read.indexOf(OpenTag);
            if (!read.contains(End) && tag >= 0)
                build = read.mid(std::max(start + Start.size(), tag + OpenTag.size()));
            if (build)
                buildBytes = build->size();
        } else if (build) {
            const qsizetype end = read.indexOf(End);
            if (end < 0) {
                build->append(read);
                buildBytes = build->size();
            } else {
                expectedFile = *build + read.left(end);
                buildBytes = expectedFile->size();
                if (expectedFile->endsWith(CloseTag))
                    expectedFile->chop(CloseTag.size());
                build.reset();
            }
        }

        const UpdateReplyAssembler::Step step = assembler.feed(read);

        // Bounded, and nothing held back once no reply spans reads.
        TESK_FUZZ_CHECK(assembler.pendingBytes() <= cap);
        if (!assembler.dataNotReady())
            TESK_FUZZ_CHECK(assembler.pendingBytes() == 0 && !assembler.dataIsNewFile());
        // A build is dropped exactly when it outgrows the bound.
        TESK_FUZZ_CHECK((buildBytes && *buildBytes > cap) == (step.dropped && step.droppedFile));
        if (step.dropped) {
            TESK_FUZZ_CHECK(!step.dropped->isEmpty());
            TESK_FUZZ_CHECK(!assembler.dataNotReady() && !step.progress && !step.file);
            build.reset();
            expectedFile.reset();
        }
        if (step.progress)
            TESK_FUZZ_CHECK(*step.progress >= 0 && *step.progress <= cap);
        if (step.errorReport) {
            TESK_FUZZ_CHECK(step.errorReport->size() <= UpdateReplyAssembler::MaxErrorTextChars);
            TESK_FUZZ_CHECK(!step.errorReport->contains(FrameChar));
        }

        // The build handed on is the wire's build, whole; none is made up.
        TESK_FUZZ_CHECK(step.file.has_value() == expectedFile.has_value());
        if (step.file) {
            TESK_FUZZ_CHECK(*step.file == *expectedFile);
            TESK_FUZZ_CHECK(step.progress && *step.progress == step.file->size());
            TESK_FUZZ_CHECK(!assembler.dataNotReady() && assembler.pendingBytes() == 0);
        }
        // The assembly and the rule agree on whether a build is under way.
        TESK_FUZZ_CHECK((assembler.dataNotReady() && assembler.dataIsNewFile()) == build.has_value());
    }
    return 0;
}
