#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/accessibility.hpp"

namespace tessarin::test {

// Passes every call through to another accessibility service, except the results a test
// scripts: failed writes of chosen attributes, a chosen window-number answer, or a chosen value
// for a read. Used where the desktop itself has no fault that produces the case.
class ScriptedAccessibility : public Accessibility {
    using Element = const AXElement&;
    using Name = std::string_view;

  public:
    explicit ScriptedAccessibility(Accessibility& inner) : inner_(inner) {}

    void failWrites(const std::string& attribute, AXError error) {
        std::lock_guard guard(mutex_);
        writeFailures_[attribute] = error;
    }
    void answerWindowNumber(AXError error, WindowID number) {
        std::lock_guard guard(mutex_);
        windowNumber_ = {error, number};
    }
    // Called before every write passes through, on the writer's thread.
    void onWrite(std::function<void(const AXElement&, std::string_view)> hook) {
        std::lock_guard guard(mutex_);
        onWrite_ = std::move(hook);
    }
    void answerRead(const std::string& attribute, AXValue value) {
        std::lock_guard guard(mutex_);
        reads_[attribute] = std::move(value);
    }

    AXElement application(Pid pid) override { return inner_.application(pid); }
    AXElement systemWide() override { return inner_.systemWide(); }
    AXError copyAttribute(Element e, Name attribute, AXValue& value) override {
        {
            std::lock_guard guard(mutex_);
            if (auto found = reads_.find(std::string(attribute)); found != reads_.end()) {
                value = found->second;
                return AXError::success;
            }
        }
        return inner_.copyAttribute(e, attribute, value);
    }
    AXError copyAttributes(Element e, const std::vector<std::string>& names,
                           std::vector<std::optional<AXValue>>& values) override {
        return inner_.copyAttributes(e, names, values);
    }
    AXError setAttribute(Element e, Name attribute, const AXValue& value) override {
        std::function<void(const AXElement&, std::string_view)> hook;
        {
            std::lock_guard guard(mutex_);
            auto found = writeFailures_.find(std::string(attribute));
            if (found != writeFailures_.end()) return found->second;
            hook = onWrite_;
        }
        if (hook) hook(e, attribute);
        return inner_.setAttribute(e, attribute, value);
    }
    AXError windowNumber(Element e, WindowID& number) override {
        {
            std::lock_guard guard(mutex_);
            if (windowNumber_) {
                number = windowNumber_->second;
                return windowNumber_->first;
            }
        }
        return inner_.windowNumber(e, number);
    }
    // The rest passes straight through.
    AXError isSettable(Element e, Name a, bool& out) override {
        return inner_.isSettable(e, a, out);
    }
    AXError performAction(Element e, Name a) override { return inner_.performAction(e, a); }
    AXError processID(Element e, Pid& pid) override { return inner_.processID(e, pid); }
    AXError setMessagingTimeout(Element e, double s) override {
        return inner_.setMessagingTimeout(e, s);
    }
    AXError elementAtPosition(Element root, Point p, AXElement& out) override {
        return inner_.elementAtPosition(root, p, out);
    }
    std::unique_ptr<AXObserver> createObserver(Pid pid, AXObserver::Callback callback) override {
        return inner_.createObserver(pid, std::move(callback));
    }
    bool isProcessTrusted() override { return inner_.isProcessTrusted(); }
    bool isProcessTrustedWithPrompt() override { return inner_.isProcessTrustedWithPrompt(); }

  private:
    Accessibility& inner_;
    std::mutex mutex_;
    std::map<std::string, AXError> writeFailures_;
    std::optional<std::pair<AXError, WindowID>> windowNumber_;
    std::map<std::string, AXValue> reads_;
    std::function<void(const AXElement&, std::string_view)> onWrite_;
};

}  // namespace tessarin::test
