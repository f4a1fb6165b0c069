#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>
#include <cstring>

#include "fault_run.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // libmpv wants numbers read and written the C way.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc >= 2 && std::strcmp(argv[1], "--fault-run") == 0) {
        return cq::testing::RunFaultScenario(argc, argv);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
