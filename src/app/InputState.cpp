#include "app/InputState.h"

namespace qor {

InputState inputState;

}  // namespace qor
