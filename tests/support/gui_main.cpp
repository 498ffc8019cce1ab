// Test entry for window tests: a real QApplication on the offscreen platform.
#include "ui_common/messages.h"

#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The windows are tested as a Czech user sees them (decimal comma, for one).
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    messages::installCzechQtTexts();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
