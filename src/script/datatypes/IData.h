#pragma once
// The common interface of every script value and syntax-tree node.
// A null SmartPointer<IData> is the script's "no value".

#include "base/memory/MemoryBudget.h"
#include "base/memory/SmallObjectPool.h"
#include "base/memory/SmartPointer.h"

#include <cstddef>

#include <cstdint>
#include <string_view>

namespace qor {

class Scope;
namespace script {
class MethodCall;
}

// Type tags. Fixed numbers: TYPE() names and the operator rules depend on them.
enum DataTag : int32_t {
  kTagBool = 0,  // DataBool, DataReturn
  kTagInt = 1,
  kTagFloat = 2,
  kTagString = 3,
  kTagID = 4,
  kTagOperation = 5,
  kTagVector = 6,  // List
  kTagFunction = 7,
  kTagCallFunction = 8,
  kTagIf = 9,
  kTagFor = 10,
  kTagWhile = 11,
  kTagVoid = 12,
  kTagSceneNode = 14,
  kTagTime = 15,  // Timer
  kTagMaterial = 16,
  kTagCamera = 17,
};

class IData : public IMMObject {
public:
  explicit IData(int32_t tag) : tag_(tag) {}

  // Values are made and collected by the million (every operator makes a new
  // one), so they come from the free lists of the small-object pool. The
  // virtual destructor makes `delete` pass the dynamic type's size. They are
  // charged to the memory budget like every IMMObject.
  static void* operator new(std::size_t bytes) {
    memory::charge(bytes);
    try {
      return poolAllocate(bytes);
    } catch (...) {
      memory::refund(bytes);
      throw;
    }
  }
  static void operator delete(void* p, std::size_t bytes) noexcept {
    memory::refund(bytes);
    poolFree(p, bytes);
  }

  int32_t tag() const { return tag_; }
  // The `return` node carries the bool tag; this tells it from a bool.
  bool isReturnNode() const { return returnNode_; }

  // Writes a rendering of the value to standard output.
  virtual void print();
  // Runs a stored call (a timer's, a key binding's) and gives its value;
  // every other value gives itself.
  virtual SmartPointer<IData> evaluate(Scope& locals);
  // `a.name`: null for every type.
  virtual SmartPointer<IData> getAttribute(std::string_view name);
  // `a[key]`: null for every type.
  virtual SmartPointer<IData> index(const SmartPointer<IData>& key);
  // False for an object value that refers to nothing (a SceneNode, Camera
  // or Material value without its object): a method call on it gives null
  // before its arguments are evaluated.
  virtual bool refersToObject() const { return true; }
  // `obj.name(args)`, its arguments already evaluated by the caller.
  virtual SmartPointer<IData> callMethod(script::MethodCall& m);

protected:
  IData(int32_t tag, bool returnNode) : tag_(tag), returnNode_(returnNode) {}

private:
  const int32_t tag_;
  const bool returnNode_ = false;
};

using DataPtr = SmartPointer<IData>;

}  // namespace qor
