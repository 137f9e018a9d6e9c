// Dense multi-dimensional arrays indexed by the program's own IDs. Every index is checked
// in debug builds; loaders check rows against the bounds before they write.
#pragma once

#include <cassert>
#include <cstddef>
#include <vector>

namespace tavrin::model {

template <class T>
class Array2 {
public:
    Array2() = default;
    Array2(int n1, int n2, T init = T{}) { resize(n1, n2, init); }
    void resize(int n1, int n2, T init = T{})
    {
        n1_ = n1;
        n2_ = n2;
        v_.assign(static_cast<std::size_t>(n1) * static_cast<std::size_t>(n2), init);
    }
    void fill(T x) { std::fill(v_.begin(), v_.end(), x); }
    bool inside(int i, int j) const { return i >= 0 && i < n1_ && j >= 0 && j < n2_; }
    T& operator()(int i, int j)
    {
        assert(inside(i, j));
        return v_[static_cast<std::size_t>(i) * n2_ + j];
    }
    const T& operator()(int i, int j) const
    {
        assert(inside(i, j));
        return v_[static_cast<std::size_t>(i) * n2_ + j];
    }
    // One row as a pointer: row(i)[j].
    T* row(int i) { return v_.data() + static_cast<std::size_t>(i) * n2_; }
    const T* row(int i) const { return v_.data() + static_cast<std::size_t>(i) * n2_; }
    int size1() const { return n1_; }
    int size2() const { return n2_; }
    bool operator==(const Array2&) const = default;

private:
    int n1_ = 0, n2_ = 0;
    std::vector<T> v_;
};

template <class T>
class Array3 {
public:
    Array3() = default;
    Array3(int n1, int n2, int n3, T init = T{}) { resize(n1, n2, n3, init); }
    void resize(int n1, int n2, int n3, T init = T{})
    {
        n1_ = n1;
        n2_ = n2;
        n3_ = n3;
        v_.assign(static_cast<std::size_t>(n1) * n2 * n3, init);
    }
    void fill(T x) { std::fill(v_.begin(), v_.end(), x); }
    bool inside(int i, int j, int k) const
    {
        return i >= 0 && i < n1_ && j >= 0 && j < n2_ && k >= 0 && k < n3_;
    }
    T& operator()(int i, int j, int k)
    {
        assert(inside(i, j, k));
        return v_[(static_cast<std::size_t>(i) * n2_ + j) * n3_ + k];
    }
    const T& operator()(int i, int j, int k) const
    {
        assert(inside(i, j, k));
        return v_[(static_cast<std::size_t>(i) * n2_ + j) * n3_ + k];
    }
    int size1() const { return n1_; }
    int size2() const { return n2_; }
    int size3() const { return n3_; }
    bool operator==(const Array3&) const = default;

private:
    int n1_ = 0, n2_ = 0, n3_ = 0;
    std::vector<T> v_;
};

template <class T>
class Array4 {
public:
    Array4() = default;
    void resize(int n1, int n2, int n3, int n4, T init = T{})
    {
        n1_ = n1;
        n2_ = n2;
        n3_ = n3;
        n4_ = n4;
        v_.assign(static_cast<std::size_t>(n1) * n2 * n3 * n4, init);
    }
    bool inside(int i, int j, int k, int l) const
    {
        return i >= 0 && i < n1_ && j >= 0 && j < n2_ && k >= 0 && k < n3_ && l >= 0 && l < n4_;
    }
    T& operator()(int i, int j, int k, int l)
    {
        assert(inside(i, j, k, l));
        return v_[((static_cast<std::size_t>(i) * n2_ + j) * n3_ + k) * n4_ + l];
    }
    const T& operator()(int i, int j, int k, int l) const
    {
        assert(inside(i, j, k, l));
        return v_[((static_cast<std::size_t>(i) * n2_ + j) * n3_ + k) * n4_ + l];
    }
    int size1() const { return n1_; }
    int size2() const { return n2_; }

private:
    int n1_ = 0, n2_ = 0, n3_ = 0, n4_ = 0;
    std::vector<T> v_;
};

}  // namespace tavrin::model
