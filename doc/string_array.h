// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// An array of strings that reads like std::vector<std::string> but keeps each
// string behind a pointer. Inserting into or deleting from the middle of a
// table of 200 000 entries then shifts pointers (8 bytes) instead of string
// objects (32 bytes with a branchy move), which keeps Add, Delete and Undo
// well under a millisecond. The strings themselves never move.
class CStringArray final {
    using Slots = std::vector<std::unique_ptr<std::string>>;

    template <typename SlotIt, typename Ref>
    class Iter {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = std::remove_reference_t<Ref>*;
        using reference = Ref;

        Iter() = default;
        explicit Iter(SlotIt it) : m_it(it) {}
        template <typename OtherIt, typename OtherRef>
        Iter(const Iter<OtherIt, OtherRef>& other) : m_it(other.m_it) {}  // NOLINT: iterator to const_iterator

        reference operator*() const { return **m_it; }
        pointer operator->() const { return m_it->get(); }
        reference operator[](difference_type n) const { return *m_it[n]; }
        Iter& operator++() { ++m_it; return *this; }
        Iter operator++(int) { Iter t = *this; ++m_it; return t; }
        Iter& operator--() { --m_it; return *this; }
        Iter operator--(int) { Iter t = *this; --m_it; return t; }
        Iter& operator+=(difference_type n) { m_it += n; return *this; }
        Iter& operator-=(difference_type n) { m_it -= n; return *this; }
        friend Iter operator+(Iter a, difference_type n) { return Iter(a.m_it + n); }
        friend Iter operator+(difference_type n, Iter a) { return Iter(a.m_it + n); }
        friend Iter operator-(Iter a, difference_type n) { return Iter(a.m_it - n); }
        friend difference_type operator-(const Iter& a, const Iter& b) { return a.m_it - b.m_it; }
        friend bool operator==(const Iter& a, const Iter& b) { return a.m_it == b.m_it; }
        friend auto operator<=>(const Iter& a, const Iter& b) { return a.m_it <=> b.m_it; }

    private:
        template <typename, typename> friend class Iter;
        friend class CStringArray;
        SlotIt m_it{};
    };

public:
    using value_type = std::string;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = std::string&;
    using const_reference = const std::string&;
    using iterator = Iter<Slots::iterator, std::string&>;
    using const_iterator = Iter<Slots::const_iterator, const std::string&>;

    CStringArray() = default;
    CStringArray(std::initializer_list<std::string> init) { assign(init.begin(), init.end()); }
    CStringArray(const std::vector<std::string>& v) { assign(v.begin(), v.end()); }  // NOLINT: implicit by design
    CStringArray(std::vector<std::string>&& v) { assignMoved(v); }                   // NOLINT
    CStringArray(const CStringArray& other) { assign(other.begin(), other.end()); }
    CStringArray(CStringArray&&) noexcept = default;
    CStringArray& operator=(const CStringArray& other)
    {
        if (this != &other) {
            CStringArray copy(other);
            swap(copy);
        }
        return *this;
    }
    CStringArray& operator=(CStringArray&&) noexcept = default;
    CStringArray& operator=(const std::vector<std::string>& v) { return *this = CStringArray(v); }
    CStringArray& operator=(std::vector<std::string>&& v)
    {
        CStringArray moved(std::move(v));
        swap(moved);
        return *this;
    }

    size_type size() const { return m_slots.size(); }
    bool empty() const { return m_slots.empty(); }
    void reserve(size_type n) { m_slots.reserve(n); }
    void clear() { m_slots.clear(); }
    void swap(CStringArray& other) noexcept { m_slots.swap(other.m_slots); }

    std::string& operator[](size_type i) { return *m_slots[i]; }
    const std::string& operator[](size_type i) const { return *m_slots[i]; }
    std::string& at(size_type i) { return *m_slots.at(i); }
    const std::string& at(size_type i) const { return *m_slots.at(i); }
    std::string& front() { return *m_slots.front(); }
    const std::string& front() const { return *m_slots.front(); }
    std::string& back() { return *m_slots.back(); }
    const std::string& back() const { return *m_slots.back(); }

    iterator begin() { return iterator(m_slots.begin()); }
    iterator end() { return iterator(m_slots.end()); }
    const_iterator begin() const { return const_iterator(m_slots.begin()); }
    const_iterator end() const { return const_iterator(m_slots.end()); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    void push_back(std::string s) { m_slots.push_back(std::make_unique<std::string>(std::move(s))); }
    template <typename... Args>
    std::string& emplace_back(Args&&... args)
    {
        return *m_slots.emplace_back(std::make_unique<std::string>(std::forward<Args>(args)...));
    }
    void pop_back() { m_slots.pop_back(); }
    void resize(size_type n)
    {
        const size_type old = m_slots.size();
        m_slots.resize(n);
        for (size_type i = old; i < n; ++i)
            m_slots[i] = std::make_unique<std::string>();
    }
    iterator insert(const_iterator pos, std::string s)
    {
        return iterator(m_slots.insert(pos.m_it, std::make_unique<std::string>(std::move(s))));
    }
    iterator erase(const_iterator pos) { return iterator(m_slots.erase(pos.m_it)); }
    iterator erase(const_iterator first, const_iterator last)
    {
        return iterator(m_slots.erase(first.m_it, last.m_it));
    }

    // Moves the element at `from` to `to`; those between shift by one.
    void Move(size_type from, size_type to)
    {
        if (from == to)
            return;
        auto at = [this](size_type i) { return m_slots.begin() + static_cast<difference_type>(i); };
        std::unique_ptr<std::string> moved = std::move(*at(from));
        if (to < from)
            std::move_backward(at(to), at(from), at(from + 1));
        else
            std::move(at(from + 1), at(to + 1), at(from));
        *at(to) = std::move(moved);
    }

    std::vector<std::string> ToVector() const { return {begin(), end()}; }

    friend bool operator==(const CStringArray& a, const CStringArray& b)
    {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }
    friend bool operator==(const CStringArray& a, const std::vector<std::string>& b)
    {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    template <typename It>
    void assign(It first, It last)
    {
        m_slots.reserve(static_cast<size_type>(std::distance(first, last)));
        for (; first != last; ++first)
            push_back(*first);
    }
    void assignMoved(std::vector<std::string>& v)
    {
        m_slots.reserve(v.size());
        for (std::string& s : v)
            push_back(std::move(s));
        v.clear();
    }

    Slots m_slots;
};
