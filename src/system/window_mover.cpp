#include "system/window_mover.hpp"

#include "base/log.hpp"
#include "platform/ax_names.hpp"
#include "system/ax.hpp"

namespace tessarin {

namespace {

// Larger than written by more than the tolerance in either dimension.
bool exceeds(Size actual, Size written) {
    return actual.width - written.width > WindowMover::minimumSizeTolerance ||
           actual.height - written.height > WindowMover::minimumSizeTolerance;
}

}  // namespace

std::shared_ptr<WindowMover> WindowMover::create(Accessibility& ax, QueueFactory& queues,
                                                 MainLoop& mainLoop, const Clock& clock) {
    return std::make_shared<WindowMover>(Key{}, ax, queues, mainLoop, clock);
}

WindowMover::WindowMover(Key, Accessibility& ax, QueueFactory& queues, MainLoop& mainLoop,
                         const Clock& clock)
    : ax_(ax), queueFactory_(queues), mainLoop_(mainLoop), clock_(clock) {}

void WindowMover::setOnMinimumSize(MinimumSizeCallback callback) {
    std::lock_guard guard(lock_);
    onMinimumSize_ = std::move(callback);
}

std::shared_ptr<SerialQueue> WindowMover::queueLocked(Pid pid) {
    auto& queue = queues_[pid];
    if (!queue) queue = queueFactory_.queue(queueLabel(pid));
    return queue;
}

void WindowMover::move(const AXWindowPtr& window, const Rect& frame) {
    if (!window) return;
    const Pid pid = window->pid;
    std::shared_ptr<SerialQueue> queue;
    bool schedule = false;
    {
        std::lock_guard guard(lock_);
        pending_[pid].insert_or_assign(window->id, Job{window, frame});
        schedule = draining_.insert(pid).second;
        queue = queueLocked(pid);
    }
    if (!schedule) return;
    queue->async([weak = weak_from_this(), pid] {
        if (auto self = weak.lock()) self->drain(pid);
    });
}

void WindowMover::read(Pid pid, Task block) {
    std::shared_ptr<SerialQueue> queue;
    {
        std::lock_guard guard(lock_);
        queue = queueLocked(pid);
    }
    queue->async(std::move(block));
}

void WindowMover::forget(WindowID id) {
    std::lock_guard guard(lock_);
    lastSize_.erase(id);
}

void WindowMover::reset() {
    std::lock_guard guard(lock_);
    pending_.clear();
    lastSize_.clear();
    enhancedUI_.clear();
}

void WindowMover::release(Pid pid) {
    {
        std::lock_guard guard(lock_);
        if (queues_.erase(pid) == 0) return;
        enhancedUI_.erase(pid);
    }
    queueFactory_.release(queueLabel(pid));
}

void WindowMover::keepEnhancedUIOn(Pid pid, std::function<void()> turnedOn) {
    read(pid, [weak = weak_from_this(), pid, turnedOn = std::move(turnedOn)] {
        auto self = weak.lock();
        if (!self) return;
        const AXElement app = self->ax_.application(pid);
        const bool on = AX::boolean(self->ax_, app, "AXEnhancedUserInterface") == true;
        if (!on) self->ax_.setAttribute(app, "AXEnhancedUserInterface", true);
        {
            std::lock_guard guard(self->lock_);
            self->enhancedUI_[pid] = {true, self->clock_.now()};
        }
        if (!on && turnedOn) turnedOn();
    });
}

void WindowMover::drain(Pid pid) {
    for (;;) {
        std::map<WindowID, Job> batch;
        {
            std::lock_guard guard(lock_);
            auto found = pending_.find(pid);
            if (found == pending_.end() || found->second.empty()) {
                if (found != pending_.end()) pending_.erase(found);
                draining_.erase(pid);
                return;
            }
            batch = std::move(found->second);
            pending_.erase(found);
        }
        // Frames requested while this batch is written wait for the next look.
        withEnhancedUIOff(pid, [&] {
            for (const auto& [id, job] : batch)
                apply(job);
        });
    }
}

void WindowMover::withEnhancedUIOff(Pid pid, const std::function<void()>& body) {
    std::optional<bool> cached;
    {
        std::lock_guard guard(lock_);
        auto found = enhancedUI_.find(pid);
        if (found != enhancedUI_.end() &&
            clock_.now() - found->second.checked <= enhancedUIValidity) {
            cached = found->second.on;
        }
    }
    const AXElement app = ax_.application(pid);
    bool on = false;
    if (cached) {
        on = *cached;
    } else {
        on = AX::boolean(ax_, app, AXName::enhancedUserInterface) == true;
        std::lock_guard guard(lock_);
        enhancedUI_[pid] = {on, clock_.now()};
    }
    if (!on) {
        body();
        return;
    }
    // Assistive mode animates every frame change, which makes a run of writes slow and inexact.
    ax_.setAttribute(app, AXName::enhancedUserInterface, false);
    body();
    ax_.setAttribute(app, AXName::enhancedUserInterface, true);
}

int WindowMover::millisecondsSince(double start) const {
    const double elapsed = clock_.now() - start;
    return elapsed > 0 ? static_cast<int>(elapsed * 1000) : 0;
}

void WindowMover::apply(const Job& job) {
    const AXWindow& window = *job.window;
    const Size size = job.frame.size();
    std::optional<Size> previous;
    {
        std::lock_guard guard(lock_);
        if (auto found = lastSize_.find(window.id); found != lastSize_.end()) {
            previous = found->second;
        }
        lastSize_[window.id] = size;
    }

    const double start = clock_.now();
    if (!previous) {
        window.setFrame(job.frame, std::nullopt);
    } else if (*previous == size) {
        // A pure move: one call, and nothing to verify.
        window.setFrame(job.frame, job.frame);
        if (int ms = millisecondsSince(start); ms > slowMilliseconds) {
            Log::info("slow move: " + window.bundleText() + " took " + std::to_string(ms) + " ms");
        }
        return;
    } else if (size.width > previous->width || size.height > previous->height) {
        // Growing: move first, so the old place's screen edge does not clamp the new size.
        ax_.setAttribute(window.element, AXName::position, job.frame.origin());
        ax_.setAttribute(window.element, AXName::size, size);
    } else {
        // Shrinking: resize first, so the smaller window fits its new place.
        ax_.setAttribute(window.element, AXName::size, size);
        ax_.setAttribute(window.element, AXName::position, job.frame.origin());
    }
    if (int ms = millisecondsSince(start); ms > slowMilliseconds) {
        Log::info("slow resize: " + window.bundleText() + " took " + std::to_string(ms) + " ms");
    }

    auto position = AX::position(ax_, window.element);
    auto actual = AX::size(ax_, window.element);
    if (position && actual && exceeds(*actual, size)) scheduleMinimumSizeCheck(job.window, size);
}

// Queues have no delayed submit: the main loop keeps the delay, then hands the look back to the
// application's own queue, since the reads may block on a hung application.
void WindowMover::scheduleMinimumSizeCheck(const AXWindowPtr& window, Size written) {
    std::weak_ptr<WindowMover> weak = weak_from_this();
    mainLoop_.post([weak, window, written] {
        auto self = weak.lock();
        if (!self) return;
        self->mainLoop_.after(minimumSizeRecheck, [weak, window, written] {
            auto self = weak.lock();
            if (!self) return;
            std::shared_ptr<SerialQueue> queue;
            {
                std::lock_guard guard(self->lock_);
                // The application ended meanwhile: nothing to look at, and no queue to revive.
                auto found = self->queues_.find(window->pid);
                if (found == self->queues_.end()) return;
                queue = found->second;
            }
            queue->async([weak, window, written] {
                if (auto self = weak.lock()) self->checkMinimumSize(window, written);
            });
        });
    });
}

void WindowMover::checkMinimumSize(const AXWindowPtr& window, Size written) {
    auto position = AX::position(ax_, window->element);
    auto actual = AX::size(ax_, window->element);
    if (!position || !actual || !exceeds(*actual, written)) return;
    {
        std::lock_guard guard(lock_);
        auto found = lastSize_.find(window->id);
        // A newer frame was asked for, or the window was forgotten: the report is stale.
        if (found == lastSize_.end() || !(found->second == written)) return;
        found->second = *actual;
    }
    std::weak_ptr<WindowMover> weak = weak_from_this();
    mainLoop_.post([weak, id = window->id, actual = *actual, written] {
        auto self = weak.lock();
        if (!self) return;
        MinimumSizeCallback callback;
        {
            std::lock_guard guard(self->lock_);
            callback = self->onMinimumSize_;
        }
        if (callback) callback(id, actual, written);
    });
}

}  // namespace tessarin
