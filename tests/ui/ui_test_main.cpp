// The screens' tests run inside one QApplication on the offscreen platform:
// no display is needed, and widgets lay out and paint as they would on one.
#include "ui/gui_thread.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    varnet::ui::InstallGuiEventPump();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
