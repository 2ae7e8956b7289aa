// One message through the dispatcher, with the call-list model behind it:
// whatever arrives, the model stays consistent and nothing crashes.

#include "FuzzSupport.h"

#include "common/ClientIdentity.h"
#include "common/SettingsStore.h"
#include "display/connection/AnnouncerPort.h"
#include "display/connection/CallListModel.h"
#include "display/connection/MessageDispatcher.h"
#include "display/connection/ServerConnection.h"
#include "display/connection/SystemRegisterPort.h"
#include "protocol/Codepage.h"

using namespace tesk;
using namespace tesk::fuzz;

namespace {

// Checks what the dispatcher hands the announcer against the model.
class CheckingAnnouncer : public AnnouncerPort {
public:
    explicit CheckingAnnouncer(CallListModel& model)
        : m_model(model)
    {
    }
    void SyncSayList() override {}
    void AnnounceCallList(int CallerCount, int PreviousCallerCount) override
    {
        TESK_FUZZ_CHECK(CallerCount == m_model.callerCount());
        TESK_FUZZ_CHECK(PreviousCallerCount >= 0);
        int previousIx = std::numeric_limits<int>::min();
        for (const auto& call : m_model.CallList) {
            TESK_FUZZ_CHECK(call->CallIX >= previousIx);
            previousIx = call->CallIX;
        }
    }

private:
    CallListModel& m_model;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    EnsureApplication();
    // Everything fresh per input, so that a crash replays from the input
    // alone (settings answers and client data change the store and identity).
    MemoryRegistry registry;
    SettingsStore settings(registry, [] { return QStringLiteral("FUZZ"); });
    ClientIdentity identity(settings, {});
    SilentMessages messages;
    NoSystemRegister systemRegister;
    CallListModel model;
    CheckingAnnouncer announcer(model);
    MessageDispatcher dispatcher(model, settings, identity, messages, systemRegister, announcer);
    dispatcher.setVersionCheck([](const QString& version) { return ServerConnection::IsServerVersionAccepted(version); });

    const QString text = FromAnsi(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    dispatcher.HandleServerMessage(text);

    TESK_FUZZ_CHECK(model.callerCount() >= 0);
    for (const auto& call : model.CallList) {
        TESK_FUZZ_CHECK(call != nullptr);
        TESK_FUZZ_CHECK(model.findCall(call->CallLopnr) != nullptr);
    }
    return 0;
}
