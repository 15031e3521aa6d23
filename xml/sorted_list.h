#pragma once
// An owning list of named entries kept in ascending byte order of `Name`.
//
// Names compare byte by byte as unsigned values, a prefix before the longer name. A new entry
// goes directly after the last entry (counting from the end) whose name is smaller than its own,
// so an entry whose name equals existing ones goes in front of them: a name written twice in a
// tag lists its later occurrence first. Lookup is a binary search and returns the first of equal
// names.
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xml {

template <class T>
class TSortedList {
public:
    using Entry = std::unique_ptr<T>;

    TSortedList() = default;
    TSortedList(TSortedList&&) noexcept = default;
    TSortedList& operator=(TSortedList&&) noexcept = default;
    virtual ~TSortedList() = default;

    size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    T& operator[](size_t i) { return *items_[i]; }
    const T& operator[](size_t i) const { return *items_[i]; }

    // Inserts the entry in sorted position and returns it.
    T& Insert(Entry entry) {
        auto at = std::lower_bound(items_.begin(), items_.end(), entry->Name, NameLess{});
        return **items_.insert(at, std::move(entry));
    }

    // The first entry of that name, or none.
    T* Find(std::string_view name) {
        auto at = std::lower_bound(items_.begin(), items_.end(), name, NameLess{});
        return at != items_.end() && (*at)->Name == name ? at->get() : nullptr;
    }
    const T* Find(std::string_view name) const { return const_cast<TSortedList*>(this)->Find(name); }

    // Removes and destroys the first entry of that name; returns whether there was one.
    bool Remove(std::string_view name) {
        auto at = std::lower_bound(items_.begin(), items_.end(), name, NameLess{});
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
    struct NameLess {
        bool operator()(const Entry& entry, std::string_view name) const {
            return std::string_view(entry->Name) < name;
        }
    };
    std::vector<Entry> items_;
};

}  // namespace xml
