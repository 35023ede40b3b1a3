#include "ui/gui_thread.h"

#include "ui/gui_handover.h"

#include "platform/wait_pumping.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>

namespace varnet::ui {
namespace {

std::atomic<bool> quitting{false};

} // namespace

void RunOnGuiThread(QObject* context, std::function<void()> work) {
    if (!context)
        return;
    if (QThread::currentThread() == context->thread()) {
        work();
        return;
    }
    PostToGuiThread(context, std::move(work));
}

void PostToGuiThread(QObject* context, std::function<void()> work) {
    if (context)
        QMetaObject::invokeMethod(context, GuiHandover(std::move(work)), Qt::QueuedConnection);
}

void InstallGuiEventPump() {
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] { quitting = true; });
    InstallEventPump(std::this_thread::get_id(), [] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return !GuiQuitting();
    });
}

bool GuiQuitting() {
    return quitting.load() || QCoreApplication::closingDown();
}

} // namespace varnet::ui
