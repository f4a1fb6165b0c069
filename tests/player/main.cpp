#include <QCoreApplication>

#include <clocale>

#include <gtest/gtest.h>

// The controller's timers need an application object; libmpv needs the C
// numeric locale, which Qt may have changed.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
