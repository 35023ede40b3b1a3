#include "ui/gui_thread.h"

#include <QApplication>
#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace varnet::ui {
namespace {

TEST(GuiThread, WorkFromOtherThreadsRunsOnTheGuiThreadInOrder) {
    QObject context;
    std::vector<int> seen;
    std::vector<bool> onGui;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            RunOnGuiThread(&context, [&, i] {
                seen.push_back(i);
                onGui.push_back(QThread::currentThread() == qApp->thread());
            });
    });
    worker.join();
    QCoreApplication::processEvents();
    ASSERT_EQ(seen.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(seen[static_cast<size_t>(i)], i);
        EXPECT_TRUE(onGui[static_cast<size_t>(i)]);
    }
}

} // namespace
} // namespace varnet::ui
