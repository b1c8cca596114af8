// Ownership of the nested objects and lists of a document.
//
// A parent creates its nested objects in its constructor, so a fresh document is a
// complete tree; a file may still set a nested object to null, which drops it. Owned<T>
// is that nullable, owning slot: it starts with a default-constructed T, copies deeply
// (documents are values) and compares by content.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace voltaris {

template <class T>
class Owned {
 public:
  Owned() : p_(std::make_unique<T>()) {}
  Owned(std::nullptr_t) {}  // NOLINT: a missing object reads naturally as `= nullptr`
  Owned(T value) : p_(std::make_unique<T>(std::move(value))) {}  // NOLINT
  Owned(const Owned& other) : p_(other.p_ ? std::make_unique<T>(*other.p_) : nullptr) {}
  Owned(Owned&&) noexcept = default;
  Owned& operator=(const Owned& other) {
    if (this != &other) p_ = other.p_ ? std::make_unique<T>(*other.p_) : nullptr;
    return *this;
  }
  Owned& operator=(Owned&&) noexcept = default;
  Owned& operator=(std::nullptr_t) {
    p_.reset();
    return *this;
  }
  ~Owned() = default;

  // Replaces the content (or the missing object) with a freshly constructed T.
  T& Recreate() {
    p_ = std::make_unique<T>();
    return *p_;
  }

  explicit operator bool() const { return p_ != nullptr; }
  T* get() { return p_.get(); }
  const T* get() const { return p_.get(); }
  T& operator*() { return *p_; }
  const T& operator*() const { return *p_; }
  T* operator->() { return p_.get(); }
  const T* operator->() const { return p_.get(); }

  friend bool operator==(const Owned& a, const Owned& b) {
    if (a.p_ && b.p_) return *a.p_ == *b.p_;
    return !a.p_ && !b.p_;
  }

 private:
  std::unique_ptr<T> p_;
};

// A list of document objects of one class, owned by its parent like a nested object.
// In the text form it is the object {"ownsObjects":true,"listHelper":[...]}.
template <class T>
using TObjectList = std::vector<T>;

}  // namespace voltaris
