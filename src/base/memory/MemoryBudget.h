#pragma once
// A ceiling on the memory that reference-counted objects hold, so that a
// script that allocates without bound stops with an error instead of taking
// the machine's memory.
//
// Every IMMObject is charged its size when it is allocated and refunded when
// it is freed; owners of large payloads (the script's strings and lists)
// charge those too. The count runs always; the ceiling applies only while a
// BudgetScope arms it (the interpreter arms it around each top-level unit of
// script work), so code outside scripts never sees it. A charge past the
// armed ceiling throws std::bad_alloc, as a failed allocation does.
//
// The cost per allocation is one addition and one comparison.

#include <cstddef>
#include <cstdint>

namespace qor::memory {

namespace detail {
extern std::size_t used;
extern std::size_t limit;
[[noreturn]] void refuse();
}  // namespace detail

// Bytes charged now.
inline std::size_t usedBytes() { return detail::used; }

// True when `bytes` more stay within the armed ceiling.
inline bool fits(std::size_t bytes) { return bytes <= detail::limit && detail::used <= detail::limit - bytes; }

// Throws std::bad_alloc when `bytes` more would pass the armed ceiling.
inline void require(std::size_t bytes) {
  if (!fits(bytes)) detail::refuse();
}

// Charges `bytes`; throws std::bad_alloc (charging nothing) when that would
// pass the armed ceiling.
inline void charge(std::size_t bytes) {
  require(bytes);
  detail::used += bytes;
}

inline void refund(std::size_t bytes) { detail::used -= bytes; }

// Arms a ceiling of `limit` bytes in all for its lifetime. Nested scopes keep
// the lower ceiling; the previous one returns when the scope ends.
class BudgetScope {
public:
  explicit BudgetScope(std::size_t limit) : saved_(detail::limit) {
    if (limit < detail::limit) detail::limit = limit;
  }
  ~BudgetScope() { detail::limit = saved_; }
  BudgetScope(const BudgetScope&) = delete;
  BudgetScope& operator=(const BudgetScope&) = delete;

private:
  std::size_t saved_;
};

}  // namespace qor::memory
