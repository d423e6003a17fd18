// The core tests run inside a QCoreApplication, so that code which posts
// work to the main thread's event loop can be tested as it runs in the program.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
