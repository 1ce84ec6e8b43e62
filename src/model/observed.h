#pragma once
// Change notification for the presentation model: each group of what the
// window shows is an Observed value whose listeners hear of a change once,
// when the outermost edit of it ends and something really differs. Readers
// get const access; every write goes through edit() or a batch, so no
// change can slip past the window.

#include <cassert>
#include <functional>
#include <utility>
#include <vector>

namespace kestrelon {

class Notifier {
public:
    using Id = int;
    Id connect(std::function<void()> f) {
        listeners_.push_back({next_, std::move(f)});
        return next_++;
    }
    void disconnect(Id id) {
        std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
    }
    void notify() const {
        // A copy: a listener may connect or disconnect others.
        const auto listeners = listeners_;
        for (const auto& l : listeners) l.second();
    }

private:
    std::vector<std::pair<Id, std::function<void()>>> listeners_;
    Id next_ = 1;
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
