#include "base/memory/IMMObject.h"

#include "base/memory/Assert.h"
#include "base/memory/MemoryBudget.h"

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace qor {

namespace detail {
bool finalSweepStarted = false;
constinit ObjectList liveObjects;
constinit ObjectList deadObjects;
}

namespace {

using detail::ObjectList;

ObjectList& liveList() { return detail::liveObjects; }
ObjectList& deadList() { return detail::deadObjects; }

}  // namespace

void assertionFailed(const char* expression, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: Assertion `%s' failed.\n", file, line, expression);
  std::fflush(stderr);
  std::abort();
}

namespace memory::detail {
std::size_t used = 0;
std::size_t limit = SIZE_MAX;
void refuse() { throw std::bad_alloc(); }
}  // namespace memory::detail

void* IMMObject::operator new(std::size_t bytes) {
  memory::charge(bytes);
  try {
    return ::operator new(bytes);
  } catch (...) {
    memory::refund(bytes);
    throw;
  }
}

void IMMObject::operator delete(void* p, std::size_t bytes) noexcept {
  memory::refund(bytes);
  ::operator delete(p);
}

IMMObject::IMMObject() { linkBack(List::Live); }

IMMObject::IMMObject(const IMMObject&) { linkBack(List::Live); }

IMMObject::~IMMObject() { unlink(); }

void IMMObject::linkBack(List which) {
  ObjectList& list = which == List::Live ? liveList() : deadList();
  prev_ = list.tail;
  next_ = nullptr;
  if (list.tail)
    list.tail->next_ = this;
  else
    list.head = this;
  list.tail = this;
  ++list.count;
  list_ = which;
}

void IMMObject::unlink() {
  if (list_ == List::None) return;
  ObjectList& list = list_ == List::Live ? liveList() : deadList();
  if (prev_)
    prev_->next_ = next_;
  else
    list.head = next_;
  if (next_)
    next_->prev_ = prev_;
  else
    list.tail = prev_;
  prev_ = next_ = nullptr;
  --list.count;
  list_ = List::None;
}

void IMMObject::releaseLast() {
  // A count that drops to zero (or below, from an unbalanced release) sends
  // the object to the dead list once; it is never queued twice.
  if (list_ == List::Dead) return;
  unlink();
  linkBack(List::Dead);
}

// An object on the dead list that is wrapped again before the collection is
// alive after all: it goes back to the live list instead of being destroyed
// under its new owner.
void IMMObject::revive() {
  unlink();
  linkBack(List::Live);
}


void collectGarbage() {
  ObjectList& dead = deadList();
  // Destructors may release more objects; they are appended to the same list
  // and destroyed in this same walk.
  while (IMMObject* obj = dead.head) {
    obj->unlink();
    delete obj;
  }
}

void collectRemainingObjects() {
  collectGarbage();
  detail::finalSweepStarted = true;
  ObjectList& live = liveList();
  while (IMMObject* obj = live.head) {
    obj->unlink();
    delete obj;
  }
  // Nothing can have reached the dead list: releases are ignored from now on.
  collectGarbage();
}

}  // namespace qor
