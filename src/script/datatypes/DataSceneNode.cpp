#include "script/datatypes/DataSceneNode.h"

#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/TransformNodes.h"
#include "script/ObjectProtocol.h"
#include "script/datatypes/DataMaterial.h"
#include "script/datatypes/DataValues.h"

namespace qor {

namespace {

using script::MethodCall;

DataPtr groupMethod(GroupNode& group, const MethodCall& m) {
  static const Symbol kSize = intern("size");
  static const Symbol kGet = intern("get");
  static const Symbol kAdd = intern("add");
  static const Symbol kRemove = intern("remove");

  int32_t i;
  if (m.is(kSize, 0)) return makeInt(static_cast<int32_t>(group.childCount()));
  if (m.is(kGet, 1)) {
    if (!m.argInt(0, i)) return nullptr;
    SceneNodePtr child = group.get(i);  // null for an empty group
    return child ? makeSceneNode(std::move(child)) : nullptr;
  }
  if (m.is(kRemove, 1)) {
    if (m.argInt(0, i)) group.remove(i);  // an empty group stays as it is
    return nullptr;
  }
  if (m.is(kAdd, 1)) {
    // The group refuses a node whose subtree holds it: the tree stays
    // acyclic, so walking and cloning it always end.
    SceneNodePtr node;
    if (asSceneNode(m.arg(0).object(), node)) group.add(node);
    return nullptr;
  }
  return nullptr;
}

// Translate, scale and rotate: x, y, z (for a rotation the axis) and, with
// `angle` given, the rotation angle.
DataPtr transformMethod(float& x, float& y, float& z, float* angle, const MethodCall& m) {
  static const Symbol kGetX = intern("getX");
  static const Symbol kGetY = intern("getY");
  static const Symbol kGetZ = intern("getZ");
  static const Symbol kGetAngle = intern("getAngle");
  static const Symbol kSetX = intern("setX");
  static const Symbol kSetY = intern("setY");
  static const Symbol kSetZ = intern("setZ");
  static const Symbol kSetAngle = intern("setAngle");

  const Symbol name = m.name();
  if (m.count() == 0) {
    if (name == kGetX) return makeFloat(x);
    if (name == kGetY) return makeFloat(y);
    if (name == kGetZ) return makeFloat(z);
    if (name == kGetAngle && angle) return makeFloat(*angle);
    return nullptr;
  }
  if (m.count() != 1) return nullptr;
  float* target = nullptr;
  if (name == kSetX) target = &x;
  else if (name == kSetY) target = &y;
  else if (name == kSetZ) target = &z;
  else if (name == kSetAngle) target = angle;
  float v;
  if (target && m.argFloat(0, v)) *target = v;
  return nullptr;
}

DataPtr geometryMethod(GeometryNode& geometry, const MethodCall& m) {
  static const Symbol kSetDefaultMaterial = intern("setDefaultMaterial");
  static const Symbol kIsEnable = intern("isEnable");
  static const Symbol kDraw = intern("draw");
  static const Symbol kCastShadow = intern("castShadow");
  static const Symbol kGetMaterial = intern("getMaterial");
  static const Symbol kSetMaterial = intern("setMaterial");

  bool b;
  if (m.is(kIsEnable, 0)) return makeBool(geometry.visible);
  if (m.is(kDraw, 1)) {
    if (m.argBool(0, b)) geometry.visible = b;
    return nullptr;
  }
  if (m.is(kCastShadow, 1)) {
    if (m.argBool(0, b)) geometry.castShadow = b;
    return nullptr;
  }
  if (m.is(kSetDefaultMaterial, 0)) {
    // The override material stays stored; the model's own materials are used.
    geometry.useDefaultMaterial = true;
    return nullptr;
  }
  if (m.is(kSetMaterial, 1)) {
    // Shares the material object: later changes through the Material value
    // show on this node. A Material value without a material changes nothing.
    SmartPointer<Material> material;
    if (!asMaterial(m.arg(0).object(), material) || !material) return nullptr;
    geometry.material = std::move(material);
    geometry.useDefaultMaterial = false;
    return nullptr;
  }
  if (m.is(kGetMaterial, 0)) {
    if (!geometry.useDefaultMaterial && geometry.material) return makeMaterial(geometry.material);
    // The model's own first material, shared by every node showing that model.
    // A model without groups (or without a model) has none.
    const IModel* model = geometry.model.get();
    if (!model || model->groups.empty() || model->groups[0].materials.empty()) return nullptr;
    const SmartPointer<Material>& first = model->groups[0].materials[0];
    return first ? makeMaterial(first) : nullptr;
  }
  return nullptr;
}

DataPtr lightMethod(LightNode& light, const MethodCall& m) {
  static const script::ColourMethods kColours{"Ambient", "Diffuse", "Specular"};
  float* const arrays[] = {light.ambient, light.diffuse, light.specular};
  DataPtr result;
  kColours.run(m, arrays, result);
  return result;
}

}  // namespace

DataPtr makeSceneNode(SceneNodePtr node) { return DataPtr(new DataSceneNode(std::move(node))); }

bool asSceneNode(const IData* v, SceneNodePtr& out) {
  if (!v || v->tag() != kTagSceneNode) return false;
  out = static_cast<const DataSceneNode*>(v)->node;
  return true;
}

DataPtr DataSceneNode::callMethod(script::MethodCall& m) {
  if (!node) return nullptr;
  // Hold the node while a method uses it.
  SceneNodePtr held = node;
  switch (held->kind) {
    case ISceneNode::kGroup: return groupMethod(static_cast<GroupNode&>(*held), m);
    case ISceneNode::kTranslate: {
      auto& t = static_cast<TranslateNode&>(*held);
      return transformMethod(t.x, t.y, t.z, nullptr, m);
    }
    case ISceneNode::kScale: {
      auto& s = static_cast<ScaleNode&>(*held);
      return transformMethod(s.x, s.y, s.z, nullptr, m);
    }
    case ISceneNode::kRotate: {
      auto& r = static_cast<RotateNode&>(*held);
      return transformMethod(r.x, r.y, r.z, &r.angle, m);
    }
    case ISceneNode::kGeometry: return geometryMethod(static_cast<GeometryNode&>(*held), m);
    case ISceneNode::kLight: return lightMethod(static_cast<LightNode&>(*held), m);
    default: return nullptr;
  }
}

}  // namespace qor
