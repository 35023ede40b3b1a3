// The main page's one line to the GUI thread. Port workers, timers and the
// page's own handlers all change the page's widgets through it, and it
// carries the changes out on the GUI thread strictly in the order they were
// posted, whoever posted them. A change posted on the GUI thread itself runs
// at once, but only after every change posted before it, so a handler's
// reset of a tile can never be overtaken by a worker's older verdict still
// waiting in the event queue.
//
// Post() may be called from any thread. The queue lives on the GUI thread;
// changes still waiting when it is destroyed are dropped.
#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

namespace varnet::ui {

class GuiCallQueue : public QObject {
    Q_OBJECT
public:
    explicit GuiCallQueue(QObject* parent = nullptr);
    ~GuiCallQueue() override;

    void Post(std::function<void()> change);
    // Carries out everything posted so far (GUI thread).
    void Drain();
    size_t Pending() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> changes_;
};

} // namespace varnet::ui
