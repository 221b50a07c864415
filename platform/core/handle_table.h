// Owns the objects behind one kind of handle, so that a null, unknown or
// already released handle can be refused instead of followed.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

namespace core {

template <typename T>
class HandleTable {
 public:
  T* Add(std::unique_ptr<T> object) {
    live_.push_back(std::move(object));
    return live_.back().get();
  }

  bool Contains(const T* handle) const { return handle != nullptr && Find(handle) != live_.end(); }

  // Hands the object back to the caller, or null when the handle is not live.
  std::unique_ptr<T> Remove(const T* handle) {
    const auto found = Find(handle);
    if (handle == nullptr || found == live_.end()) {
      return nullptr;
    }
    const auto index = found - live_.begin();
    std::unique_ptr<T> object = std::move(live_[index]);
    live_.erase(live_.begin() + index);
    return object;
  }

  bool Empty() const { return live_.empty(); }

  template <typename Action>
  void ForEach(Action action) const {
    for (const std::unique_ptr<T>& object : live_) {
      action(*object);
    }
  }

  template <typename Predicate>
  T* FindIf(Predicate predicate) const {
    const auto found =
        std::find_if(live_.begin(), live_.end(), [&](const std::unique_ptr<T>& object) { return predicate(*object); });
    return found == live_.end() ? nullptr : found->get();
  }

 private:
  typename std::vector<std::unique_ptr<T>>::const_iterator Find(const T* handle) const {
    return std::find_if(live_.begin(), live_.end(),
                        [handle](const std::unique_ptr<T>& object) { return object.get() == handle; });
  }

  std::vector<std::unique_ptr<T>> live_;
};

}  // namespace core
