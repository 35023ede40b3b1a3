// The one thread that changes widgets. The engine calls its views from port
// workers and timers; every such call is handed to the GUI thread here, as a
// queued call, so widget changes happen on one thread and in the order they
// were made.
#pragma once

#include <QObject>

#include <functional>

namespace varnet::ui {

// Runs work on context's thread (the GUI thread for a widget): at once when
// called there, queued otherwise. Dropped when context is gone by then.
void RunOnGuiThread(QObject* context, std::function<void()> work);

// Queues work for context's thread even when called there, so it runs after
// the caller has returned. Dropped when context is gone by then.
void PostToGuiThread(QObject* context, std::function<void()> work);

// Makes WaitPumpingMessages on the GUI thread keep handling events while it
// waits, and give up once the application is quitting.
void InstallGuiEventPump();

// True once the application quits (after InstallGuiEventPump): the state in
// which WaitPumpingMessages on the GUI thread gives up.
bool GuiQuitting();

} // namespace varnet::ui
