#pragma once
// A known value placed in a list's spare capacity, just past its last entry,
// so that code reading or writing one entry too far meets that value in every
// build instead of going unnoticed wherever no address sanitizer watches. The
// list must not grow or shrink while the guard lives.
#include <new>
#include <utility>
#include <vector>

namespace vl::test {

template <class T>
class PastTheEnd {
public:
    PastTheEnd(std::vector<T>& list, T value) {
        list.reserve(list.size() + 1);
        slot_ = ::new (static_cast<void*>(list.data() + list.size())) T(std::move(value));
    }
    ~PastTheEnd() { slot_->~T(); }
    PastTheEnd(const PastTheEnd&) = delete;
    PastTheEnd& operator=(const PastTheEnd&) = delete;

    const T& value() const { return *slot_; }

private:
    T* slot_;
};

}  // namespace vl::test
