#include "ui/main/gui_call_queue.h"

#include "ui/gui_thread.h"

namespace varnet::ui {

GuiCallQueue::GuiCallQueue(QObject* parent) : QObject(parent) {}

GuiCallQueue::~GuiCallQueue() = default;

void GuiCallQueue::Post(std::function<void()> change) {
    {
        std::lock_guard lock(mutex_);
        changes_.push_back(std::move(change));
    }
    RunOnGuiThread(this, [this] { Drain(); });
}

void GuiCallQueue::Drain() {
    // One change at a time, taken under the lock and run outside it: a change
    // may post more (or open a nested event loop that drains), and those go
    // behind what is already waiting.
    while (true) {
        std::function<void()> change;
        {
            std::lock_guard lock(mutex_);
            if (changes_.empty())
                return;
            change = std::move(changes_.front());
            changes_.pop_front();
        }
        change();
    }
}

size_t GuiCallQueue::Pending() const {
    std::lock_guard lock(mutex_);
    return changes_.size();
}

} // namespace varnet::ui
