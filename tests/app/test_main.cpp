#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>
#include <cstring>

#include "window_fixture.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc >= 2 && std::strcmp(argv[1], "--scenario") == 0) {
        return cq::testing::RunScenario(argc, argv);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
