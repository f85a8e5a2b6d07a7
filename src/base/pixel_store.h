#pragma once
// A surface's pixel bytes: memory of its own, or a block the platform lends
// (on X11 a shared-memory segment the display server reads frames from, so
// that presenting copies nothing of ours). Used like a byte vector; a copy of
// a store is always memory of the copy's own, so surfaces stay values.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

namespace vl {

// Memory lent by the platform; it takes it back when the last store that
// uses it lets go (the shared pointer's deleter).
struct PixelBlock {
    uint8_t* bits = nullptr;
    size_t bytes = 0;
};

class PixelStore {
public:
    using value_type = uint8_t;
    using iterator = uint8_t*;
    using const_iterator = const uint8_t*;

    PixelStore() = default;
    // Images are built as byte vectors: taking one is implicit.
    PixelStore(std::vector<uint8_t> bytes) : own_(std::move(bytes)) {}
    PixelStore(std::initializer_list<uint8_t> bytes) : own_(bytes) {}
    PixelStore(const PixelStore& other) : own_(other.begin(), other.end()) {}
    PixelStore(PixelStore&&) noexcept = default;
    PixelStore& operator=(const PixelStore& other) {
        if (this != &other) *this = PixelStore(other);
        return *this;
    }
    PixelStore& operator=(PixelStore&&) noexcept = default;
    operator std::vector<uint8_t>() const { return std::vector<uint8_t>(begin(), end()); }

    uint8_t* data() { return lent_ ? lent_->bits : own_.data(); }
    const uint8_t* data() const { return lent_ ? lent_->bits : own_.data(); }
    size_t size() const { return lent_ ? lentSize_ : own_.size(); }
    bool empty() const { return size() == 0; }
    iterator begin() { return data(); }
    iterator end() { return data() + size(); }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size(); }

    // Sizes that the lent block holds stay in it; larger ones move the
    // bytes back into memory of the store's own.
    void resize(size_t n, uint8_t value = 0) {
        if (lent_ && n <= lent_->bytes) {
            if (n > lentSize_) std::memset(lent_->bits + lentSize_, value, n - lentSize_);
            lentSize_ = n;
            return;
        }
        if (lent_) takeBack();
        own_.resize(n, value);
    }
    void assign(size_t n, uint8_t value) {
        resize(0);
        resize(n, value);
    }
    void clear() {
        lent_.reset();
        lentSize_ = 0;
        own_ = std::vector<uint8_t>();
    }

    // Moves the bytes into `block`, which must hold them; they live there
    // from now on, until the store is resized past it or cleared.
    void moveInto(std::shared_ptr<PixelBlock> block) {
        const size_t n = size();
        std::memmove(block->bits, data(), n);
        own_ = std::vector<uint8_t>();
        lent_ = std::move(block);
        lentSize_ = n;
    }
    const PixelBlock* lentBlock() const { return lent_.get(); }

    friend bool operator==(const PixelStore& a, const PixelStore& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator!=(const PixelStore& a, const PixelStore& b) { return !(a == b); }

private:
    void takeBack() {
        own_.assign(begin(), end());
        lent_.reset();
        lentSize_ = 0;
    }

    std::vector<uint8_t> own_;
    std::shared_ptr<PixelBlock> lent_;
    size_t lentSize_ = 0;
};

}  // namespace vl
