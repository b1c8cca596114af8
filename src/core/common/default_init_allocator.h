// An allocator whose containers leave new elements of trivial types uninitialised on
// resize: a buffer whose slots are always written before they are read needs no zeroing,
// and the pages of a fresh large buffer are not touched (nor backed by memory) until a
// slot on them is written.
#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace voltaris {

template <class T, class Base = std::allocator<T>>
class TDefaultInitAllocator : public Base {
  using Traits = std::allocator_traits<Base>;

 public:
  template <class U>
  struct rebind {
    using other = TDefaultInitAllocator<U, typename Traits::template rebind_alloc<U>>;
  };

  using Base::Base;

  // Default-initialises: no value for a double.
  template <class U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    Traits::construct(static_cast<Base&>(*this), p, std::forward<Args>(args)...);
  }
};

}  // namespace voltaris
