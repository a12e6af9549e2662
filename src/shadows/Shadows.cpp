#include "shadows/Shadows.h"

namespace qor {

SmartPointer<Shadows> shadowPass;

void Shadows::CastShadows(const float[4], std::span<const ShadowCaster>) {}

}  // namespace qor
