#pragma once
// What the IPv6 watch remembers per address, MAC or router: bounded, so that a sender who
// makes up a new address or MAC for every frame cannot grow it; the oldest is forgotten.
#include <cstddef>
#include <deque>
#include <string>
#include <unordered_map>

template <class Value>
class BoundedMemory {
 public:
  explicit BoundedMemory(std::size_t capacity) : capacity_(capacity) {}

  const Value* find(const std::string& key) const {
    const auto it = items_.find(key);
    return it == items_.end() ? nullptr : &it->second;
  }
  // The key's value, made (and the oldest forgotten when full) if it was not there. May throw
  // std::bad_alloc.
  Value& put(const std::string& key) {
    if (const auto it = items_.find(key); it != items_.end()) return it->second;
    if (items_.size() >= capacity_ && !order_.empty()) {
      items_.erase(order_.front());
      order_.pop_front();
    }
    order_.push_back(key);
    return items_[key];
  }
  void clear() {
    items_.clear();
    order_.clear();
  }
  std::size_t size() const { return items_.size(); }

 private:
  std::size_t capacity_;
  std::unordered_map<std::string, Value> items_;
  std::deque<std::string> order_;
};
