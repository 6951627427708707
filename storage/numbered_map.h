// Objects owned by number in one flat table: open addressing with linear
// probing, the numbers beside the pointers. A lookup mostly reads one cache
// line, where a node-based hash map reads a bucket and then a node. The page
// cache finds its pages here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace zv::storage {

template <class T> class NumberedMap {
public:
    NumberedMap() = default;
    NumberedMap(const NumberedMap&) = delete;
    NumberedMap& operator=(const NumberedMap&) = delete;
    ~NumberedMap() { clear(); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T* find(std::int64_t number) const {
        if (slots_.empty()) return nullptr;
        for (std::size_t i = home(number);; i = (i + 1) & mask_) {
            const Slot& s = slots_[i];
            if (!s.value) return nullptr;
            if (s.number == number) return s.value;
        }
    }

    // Takes `value` under `number`; false (and `value` left alone) when the
    // number is taken.
    bool insert(std::int64_t number, std::unique_ptr<T>& value) {
        if ((size_ + 1) * 2 > slots_.size()) grow();
        std::size_t i = home(number);
        for (; slots_[i].value; i = (i + 1) & mask_)
            if (slots_[i].number == number) return false;
        slots_[i] = {number, value.release()};
        ++size_;
        return true;
    }

    // Gives up the object under `number` (none when absent).
    std::unique_ptr<T> take(std::int64_t number) {
        if (slots_.empty()) return nullptr;
        std::size_t i = home(number);
        for (;; i = (i + 1) & mask_) {
            if (!slots_[i].value) return nullptr;
            if (slots_[i].number == number) break;
        }
        std::unique_ptr<T> out(slots_[i].value);
        // Later entries of the probe run move back into the hole, unless
        // their home lies cyclically after the hole and at or before them.
        std::size_t hole = i;
        for (std::size_t j = (i + 1) & mask_; slots_[j].value; j = (j + 1) & mask_) {
            const std::size_t h = home(slots_[j].number);
            const bool stays = hole <= j ? (hole < h && h <= j) : (hole < h || h <= j);
            if (stays) continue;
            slots_[hole] = slots_[j];
            hole = j;
        }
        slots_[hole] = {};
        --size_;
        return out;
    }
    void erase(std::int64_t number) { take(number); }

    // Destroys every object.
    void clear() {
        std::vector<Slot> slots;
        slots.swap(slots_);
        size_ = 0;
        mask_ = 0;
        for (Slot& s : slots)
            delete s.value;
    }

    // Calls f(number, object) for each object, in no particular order. f must
    // not change the map.
    template <class F> void forEach(F&& f) const {
        for (const Slot& s : slots_)
            if (s.value) f(s.number, s.value);
    }

private:
    struct Slot {
        std::int64_t number = 0;
        T* value = nullptr; // none: the slot is free
    };

    std::size_t home(std::int64_t number) const {
        // Fibonacci hashing: neighbouring numbers spread over the table.
        return static_cast<std::size_t>(
                   (static_cast<std::uint64_t>(number) * 0x9E3779B97F4A7C15ull) >> 32) &
               mask_;
    }

    void grow() {
        std::vector<Slot> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        mask_ = slots_.size() - 1;
        for (const Slot& s : old) {
            if (!s.value) continue;
            std::size_t i = home(s.number);
            while (slots_[i].value)
                i = (i + 1) & mask_;
            slots_[i] = s;
        }
    }

    std::vector<Slot> slots_; // a power of two in size, at most half full
    std::size_t mask_ = 0;
    std::size_t size_ = 0;
};

} // namespace zv::storage
