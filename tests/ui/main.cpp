// The window tests run inside a QApplication on the offscreen platform, with
// a fixed locale so that number and date texts do not depend on the machine.
#include "app/QtTranslations.h"

#include <QApplication>
#include <QLocale>
#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    InstallJapaneseQtTranslations(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
