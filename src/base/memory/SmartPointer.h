#pragma once
// Intrusive reference-counting pointer to an IMMObject.
//
// The count lives in the pointee, so a raw pointer can be wrapped again at any
// time while the object is alive. Dropping the last reference parks the object
// on the dead list (see IMMObject.h); nothing is freed here.

#include "base/memory/Assert.h"
#include "base/memory/IMMObject.h"

#include <cstddef>
#include <type_traits>
#include <utility>

namespace qor {

template <class T>
class SmartPointer {
public:
  SmartPointer() = default;
  SmartPointer(std::nullptr_t) {}
  SmartPointer(T* p) : pObj(p) { retain(pObj); }
  SmartPointer(const SmartPointer& other) : pObj(other.pObj) { retain(pObj); }
  SmartPointer(SmartPointer&& other) noexcept : pObj(other.pObj) { other.pObj = nullptr; }

  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  SmartPointer(const SmartPointer<U>& other) : pObj(other.get()) {
    retain(pObj);
  }
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  SmartPointer(SmartPointer<U>&& other) noexcept : pObj(other.detach()) {}

  ~SmartPointer() { drop(pObj); }

  SmartPointer& operator=(const SmartPointer& other) { return reset(other.pObj); }
  SmartPointer& operator=(T* p) { return reset(p); }
  SmartPointer& operator=(std::nullptr_t) { return reset(nullptr); }
  SmartPointer& operator=(SmartPointer&& other) noexcept {
    if (this != &other) {
      T* old = pObj;
      pObj = other.pObj;
      other.pObj = nullptr;
      drop(old);
    }
    return *this;
  }
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  SmartPointer& operator=(const SmartPointer<U>& other) {
    return reset(other.get());
  }

  T* operator->() const {
    QOR_ASSERT(pObj != 0 && "Tried to -> on a NULL smart pointer");
    return pObj;
  }
  T& operator*() const {
    QOR_ASSERT(pObj != 0 && "Tried to * on a NULL smart pointer");
    return *pObj;
  }

  T* get() const { return pObj; }
  explicit operator bool() const { return pObj != nullptr; }

  // Gives up ownership without releasing: the caller takes the reference.
  T* detach() {
    T* p = pObj;
    pObj = nullptr;
    return p;
  }

  friend bool operator==(const SmartPointer& a, const SmartPointer& b) { return a.pObj == b.pObj; }
  friend bool operator==(const SmartPointer& a, std::nullptr_t) { return a.pObj == nullptr; }
  friend bool operator==(const SmartPointer& a, const T* b) { return a.pObj == b; }

private:
  // Take the new reference before dropping the old one, so assigning an
  // object its own pointer never lets the count reach zero on the way.
  SmartPointer& reset(T* p) {
    retain(p);
    T* old = pObj;
    pObj = p;
    drop(old);
    return *this;
  }
  static void retain(T* p) {
    if (p) p->addRef();
  }
  static void drop(T* p) {
    if (p && !detail::finalSweepStarted) p->release();
  }

  T* pObj = nullptr;
};

// Wraps a freshly allocated object.
template <class T, class... Args>
SmartPointer<T> makeShared(Args&&... args) {
  return SmartPointer<T>(new T(std::forward<Args>(args)...));
}

}  // namespace qor
