#pragma once
// One-argument callback objects. Script built-ins are stored as
// FunctorGlobal1 values (by value, in the built-in registry).

namespace qor {

template <class R, class A>
class Functor1 {
public:
  virtual ~Functor1() = default;
  virtual R operator()(A arg) = 0;
};

template <class R, class A>
class FunctorGlobal1 : public Functor1<R, A> {
public:
  using Function = R (*)(A);

  FunctorGlobal1(Function f = nullptr) : function(f) {}

  // A null function answers with an empty result.
  R operator()(A arg) override {
    if (!function) return R();
    return function(arg);
  }

  Function function;
};

}  // namespace qor
