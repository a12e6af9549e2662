#pragma once
// Reference-counted engine objects with deferred deletion.
//
// Every long-lived object derives from IMMObject and is held through
// SmartPointer. When the last reference goes away the object is not deleted
// at once: it moves from the live list to the dead list and is destroyed by
// the next collectGarbage(), so raw pointers taken during a frame or a script
// evaluation stay valid until the collection point.
//
// Both lists are intrusive and doubly linked, so construction, release and
// destruction are O(1) whatever the number of objects.

#include <cstddef>
#include <cstdint>

namespace qor {

class IMMObject;

namespace detail {
// The live and the dead list: constant-initialised, so they exist before
// any object of any file is made.
struct ObjectList {
  IMMObject* head = nullptr;
  IMMObject* tail = nullptr;
  std::size_t count = 0;
};
extern ObjectList liveObjects;
extern ObjectList deadObjects;
}  // namespace detail

class IMMObject {
public:
  IMMObject();
  // A copy is a new object: it gets its own (zero) count and list entry.
  IMMObject(const IMMObject&);
  IMMObject& operator=(const IMMObject&) { return *this; }

  virtual std::size_t size() const = 0;
  virtual ~IMMObject();

  // Heap objects are charged to the memory budget (base/memory/MemoryBudget.h):
  // an allocation past an armed ceiling throws std::bad_alloc. The virtual
  // destructor makes `delete` pass the dynamic type's size back.
  static void* operator new(std::size_t bytes);
  static void operator delete(void* p, std::size_t bytes) noexcept;

  void addRef() {
    if (refCount_++ == 0 && list_ == List::Dead) revive();
  }
  // Inline for the common case (the object stays alive); the last reference
  // takes the out-of-line path to the dead list.
  void release() {
    if (--refCount_ > 0) return;
    releaseLast();
  }

  int32_t refCount() const { return refCount_; }
  bool isDead() const { return list_ == List::Dead; }

  // Counts of the two lists, for tests, diagnostics and the interpreter's
  // collection points (read in line: they are asked in every loop pass).
  static std::size_t liveCount() { return detail::liveObjects.count; }
  static std::size_t deadCount() { return detail::deadObjects.count; }

private:
  enum class List : uint8_t { None, Live, Dead };

  void revive();
  void releaseLast();
  void linkBack(List which);
  void unlink();

  friend void collectGarbage();
  friend void collectRemainingObjects();

  int32_t refCount_ = 0;
  List list_ = List::None;
  IMMObject* prev_ = nullptr;
  IMMObject* next_ = nullptr;
};

// Destroys every object on the dead list, including objects that those
// destructors release in turn.
void collectGarbage();

// At exit: collects the dead list, then destroys every object still alive.
// From then on releasing a reference no longer touches the pointee, since
// objects destroyed in this sweep may still be referenced by their peers
// (and by globals destroyed after main returns).
void collectRemainingObjects();

namespace detail {
extern bool finalSweepStarted;
}

}  // namespace qor
