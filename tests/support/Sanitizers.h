#pragma once
// Whether this test binary runs under AddressSanitizer, whose allocator and
// shadow memory change what some tests can see (a heap overrun in an
// uninstrumented library may go unnoticed; address-space limits cannot be
// set).

namespace kelvo::test {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

}  // namespace kelvo::test
