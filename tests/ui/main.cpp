// The window tests run inside a QApplication on the offscreen platform, with
// a fixed locale so that number and date texts do not depend on the machine.
#include "app/QtTranslations.h"
#include "ModalHelpers.h"

#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

class DropAnswersAtTheEndOfEachTest : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { DropPendingAnswers(); }
};

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    // Whatever a test sends to the trash without naming a trash of its own
    // lands here, never in the trash of the person running the tests.
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    InstallTranslations(app, TextLanguage::Japanese);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new DropAnswersAtTheEndOfEachTest);
    return RUN_ALL_TESTS();
}
