#include "shadows/Shadows.h"

namespace qor {

SmartPointer<Shadows> shadowPass;

void Shadows::CastShadows(const SmartPointer<LightNode>&, const std::vector<SmartPointer<GeometryNode>>&) {}

}  // namespace qor
