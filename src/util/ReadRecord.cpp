#include "util/ReadRecord.h"

namespace qor {

namespace detail {
ReadHook readHook = nullptr;
}

void setReadHook(ReadHook hook) { detail::readHook = hook; }

}  // namespace qor
