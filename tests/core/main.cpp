// The core tests run inside a QCoreApplication, so that code which posts
// work to the main thread's event loop can be tested as it runs in the program.
#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Whatever a test sends to the trash without naming a trash of its own
    // lands here, never in the trash of the person running the tests.
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
