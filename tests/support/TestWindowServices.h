#pragma once

// Only for tests that build the main window (they link the UI library).

#include "common/ClientIdentity.h"
#include "display/MainWindow.h"

#include "RecordingMessages.h"
#include "TempSettings.h"

namespace tesk::test {

// What every main-window test starts from: its temporary settings, identity
// and recorded boxes, a fixed product version and the test installation's
// folders. Each test then adds the fakes it needs.
inline MainWindowServices BaseWindowServices(TempSettings& temp, ClientIdentity& identity,
                                             RecordingMessages& messages)
{
    MainWindowServices s;
    s.settings = &temp.settings();
    s.identity = &identity;
    s.messages = &messages;
    s.productVersion = QStringLiteral("1.11.0.0");
    s.initInstallationPaths = [] {
        return InstallationPaths{QStringLiteral("/tmp/"), QStringLiteral("_test_TESK\\"), QString()};
    };
    return s;
}

} // namespace tesk::test
