// A scalar passed between the user-interface thread and a block pump. The analysis lets a
// reader combine values of two successive blocks, but every single value must be read and
// written whole; an atomic makes that well-defined without changing the arithmetic.
#pragma once

#include <atomic>

template <typename T>
class SharedValue {
public:
    constexpr SharedValue(T value = T{}) noexcept : m_value(value) {}
    SharedValue(const SharedValue&) = delete;
    SharedValue& operator=(const SharedValue&) = delete;

    operator T() const noexcept { return m_value.load(); }
    SharedValue& operator=(T value) noexcept {
        m_value.store(value);
        return *this;
    }
    T Load() const noexcept { return m_value.load(); }

private:
    std::atomic<T> m_value;
};
