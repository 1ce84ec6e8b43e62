#pragma once
// Change notification for the presentation model: each group of what the
// window shows is an Observed value whose listeners hear of a change once,
// when the outermost edit of it ends and something really differs. Readers
// get const access; every write goes through edit() or a batch, so no
// change can slip past the window.

#include <cassert>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kestrelon {

class Notifier {
    using Listeners = std::vector<std::pair<int, std::function<void()>>>;

public:
    // A listener's place on a Notifier: it hears the changes while this
    // object lives, and no longer. Either may go first.
    class Connection {
    public:
        Connection() = default;
        Connection(Connection&& o) noexcept : listeners_(std::move(o.listeners_)), id_(o.id_) {}
        Connection& operator=(Connection&& o) noexcept {
            if (this != &o) {
                disconnect();
                listeners_ = std::move(o.listeners_);
                id_ = o.id_;
            }
            return *this;
        }
        ~Connection() { disconnect(); }
        void disconnect() {
            if (auto l = listeners_.lock()) std::erase_if(*l, [id = id_](const auto& e) { return e.first == id; });
            listeners_.reset();
        }

    private:
        friend class Notifier;
        Connection(std::weak_ptr<Listeners> l, int id) : listeners_(std::move(l)), id_(id) {}
        std::weak_ptr<Listeners> listeners_;
        int id_ = 0;
    };

    Notifier() = default;
    // A copy of what holds a Notifier starts without listeners.
    Notifier(const Notifier&) {}
    Notifier& operator=(const Notifier&) { return *this; }

    [[nodiscard]] Connection connect(std::function<void()> f) {
        listeners_->push_back({next_, std::move(f)});
        return Connection(listeners_, next_++);
    }
    void notify() const {
        // A copy: a listener may connect or disconnect others.
        const auto listeners = *listeners_;
        for (const auto& l : listeners) l.second();
    }

private:
    std::shared_ptr<Listeners> listeners_ = std::make_shared<Listeners>();
    int next_ = 1;
};

template <class Data>
class Observed {
public:
    Observed() = default;
    explicit Observed(Data initial) : data_(std::move(initial)) {}
    Observed(const Observed&) = delete;
    Observed& operator=(const Observed&) = delete;

    const Data& operator*() const { return data_; }
    const Data* operator->() const { return &data_; }
    const Data& get() const { return data_; }

    // Open while it lives: data() may be changed; the listeners hear of it
    // when the outermost batch ends. Keep batches short: the window redraws
    // only after it.
    class Batch {
    public:
        explicit Batch(Observed& o) : o_(o) {
            if (o_.depth_++ == 0) o_.before_ = o_.data_;
        }
        ~Batch() {
            if (--o_.depth_ == 0 && !(o_.before_ == o_.data_)) o_.changed.notify();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        Observed& o_;
    };
    [[nodiscard]] Batch batch() { return Batch(*this); }
    Data& data() {
        assert(depth_ > 0 && "change an Observed inside edit() or a batch");
        return data_;
    }

    template <class F>
    void edit(F&& f) {
        Batch b(*this);
        f(data_);
    }
    void set(Data d) {
        edit([&](Data& x) { x = std::move(d); });
    }

    mutable Notifier changed;   // observing does not change the data

private:
    Data data_{};
    Data before_{};
    int depth_ = 0;
};

} // namespace kestrelon
