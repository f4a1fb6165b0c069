#pragma once

// What the window tests share with the child-process scenarios: a playlist source
// that reads the demo service the way the program reads the real one, and waiting
// for a loading run to end.

#include <QLabel>
#include <QTest>

#include <string>

#include "app/main_window.h"
#include "catalogue/build_playlist.h"
#include "catalogue/catalogue_request.h"

namespace cq::testing {

// The program's own loading run, pointed at a service of the test's.
inline app::RowSource RowsFrom(FmOrigins origins, std::string clockUrl) {
    return [origins = std::move(origins), clockUrl = std::move(clockUrl)] {
        return FetchPlaylistRows(origins, clockUrl);
    };
}

// True once the loading worker has ended and its outcome is on the window.
inline bool WaitUntilLoaded(app::MainWindow& window, int timeoutMs = 30000) {
    return QTest::qWaitFor(
        [&] {
            return !app::ThreadIsRunning(window.WorkerThreadHandle()) &&
                   window.标签1->text() != QStringLiteral("正在初始化...");
        },
        timeoutMs);
}

// Runs one of the scenarios that end the program, in a child process: argv holds
// "--scenario NAME HTTP-ORIGIN HTTPS-ORIGIN CLOCK-URL". Returns its exit code.
int RunScenario(int argc, char** argv);

}  // namespace cq::testing
