#pragma once
// An owning list of named entries kept in ascending byte order of `Name`.
//
// Names compare byte by byte as unsigned values, a prefix before the longer name. A new entry
// goes directly after the last entry (counting from the end) whose name is smaller than its own,
// so an entry whose name equals existing ones goes in front of them: a name written twice in a
// tag lists its later occurrence first. Lookup returns the first of equal names.
//
// The entries live in a balanced tree, so insertion, lookup and removal take O(log n) whatever
// order the names arrive in. An entry's `Name` must not change while it is in the list.
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <string_view>

namespace xml {

template <class T>
class TSortedList {
    struct NameLess {
        using is_transparent = void;
        static std::string_view nameOf(const std::unique_ptr<T>& entry) { return entry->Name; }
        static std::string_view nameOf(std::string_view name) { return name; }
        template <class A, class B>
        bool operator()(const A& a, const B& b) const {
            return nameOf(a) < nameOf(b);
        }
    };
    using Entries = std::multiset<std::unique_ptr<T>, NameLess>;

public:
    using Entry = std::unique_ptr<T>;

    TSortedList() = default;
    TSortedList(TSortedList&&) noexcept = default;
    TSortedList& operator=(TSortedList&&) noexcept = default;
    virtual ~TSortedList() = default;

    size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    // The entry at a position in name order; walks the list, so meant for small lists and tests.
    T& operator[](size_t i) { return **std::next(items_.begin(), static_cast<std::ptrdiff_t>(i)); }
    const T& operator[](size_t i) const { return **std::next(items_.begin(), static_cast<std::ptrdiff_t>(i)); }

    // Inserts the entry in sorted position, in front of entries of an equal name, and returns it.
    T& Insert(Entry entry) {
        const auto at = items_.lower_bound(std::string_view(entry->Name));
        return **items_.emplace_hint(at, std::move(entry));
    }

    // The first entry of that name, or none.
    T* Find(std::string_view name) {
        const auto at = items_.lower_bound(name);
        return at != items_.end() && (*at)->Name == name ? at->get() : nullptr;
    }
    const T* Find(std::string_view name) const { return const_cast<TSortedList*>(this)->Find(name); }

    // Removes and destroys the first entry of that name; returns whether there was one.
    bool Remove(std::string_view name) {
        const auto at = items_.lower_bound(name);
        if (at == items_.end() || (*at)->Name != name) return false;
        items_.erase(at);
        return true;
    }

    // Inserts the entry after removing one of the same name (a later definition wins).
    T& Replace(Entry entry) {
        Remove(entry->Name);
        return Insert(std::move(entry));
    }

    void Clear() { items_.clear(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    Entries items_;
};

}  // namespace xml
