#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tessarin {

// A list of observers called in the order they connected. An observer may connect or
// disconnect observers, itself included, while being called: one that is disconnected before
// its turn is not called, one that connects during a call first hears the next emission.
template <typename... Args>
class Signal {
  public:
    using Slot = std::function<void(Args...)>;

    struct Token {
        std::uint64_t id = 0;
        bool operator==(const Token&) const = default;
    };

    Token connect(Slot slot) {
        Token token{++lastId_};
        slots_.push_back({token.id, std::make_shared<Slot>(std::move(slot))});
        return token;
    }

    // False when the token is not (or no longer) connected.
    bool disconnect(Token token) {
        for (auto it = slots_.begin(); it != slots_.end(); ++it) {
            if (it->id == token.id) {
                slots_.erase(it);
                return true;
            }
        }
        return false;
    }

    void emit(Args... args) const {
        auto snapshot = slots_;
        for (const auto& entry : snapshot)
            if (isConnected(entry.id)) (*entry.slot)(args...);
    }

    std::size_t size() const { return slots_.size(); }

  private:
    struct Entry {
        std::uint64_t id;
        std::shared_ptr<Slot> slot;  // shared so a slot outlives its own disconnection mid-call
    };

    bool isConnected(std::uint64_t id) const {
        for (const auto& entry : slots_)
            if (entry.id == id) return true;
        return false;
    }

    std::vector<Entry> slots_;
    std::uint64_t lastId_ = 0;
};

}  // namespace tessarin
