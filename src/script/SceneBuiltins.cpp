// The built-ins that build and query the scene.

#include "script/SceneBuiltins.h"

#include "collision/AABBTreeCollision.h"
#include "material/MaterialLibrary.h"
#include "scene/GeometryNode.h"
#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/ModelManager.h"
#include "scene/Scene.h"
#include "scene/TransformNodes.h"
#include "script/Builtins.h"
#include "script/Interpreter.h"
#include "script/Operators.h"
#include "script/datatypes/DataCamera.h"
#include "script/datatypes/DataMaterial.h"
#include "script/datatypes/DataSceneNode.h"
#include "script/datatypes/DataValues.h"
#include "util/Path.h"

#include <string>
#include <vector>

namespace qor::script {

void (*collisionAnswerHook)(bool collided) = nullptr;

namespace {

// Converts every argument to float; false (nothing built) when one does not.
template <std::size_t N>
bool floatArgs(BuiltinArgs args, float (&out)[N]) {
  if (args.size() != N) return false;
  for (std::size_t i = 0; i < N; ++i)
    if (!asFloat(args[i].get(), out[i])) return false;
  return true;
}

// A file name argument joined to the running script's location.
bool fileArg(BuiltinArgs args, std::string& out) {
  std::string name;
  if (args.size() != 1 || !asString(args[0].get(), name)) return false;
  out = path::join(runningPath(), name);
  return true;
}

DataPtr builtinTranslate(BuiltinArgs args) {
  float v[3];
  if (!floatArgs(args, v)) return nullptr;
  return makeSceneNode(makeShared<TranslateNode>(v[0], v[1], v[2]));
}

DataPtr builtinScale(BuiltinArgs args) {
  float v[3];
  if (!floatArgs(args, v)) return nullptr;
  return makeSceneNode(makeShared<ScaleNode>(v[0], v[1], v[2]));
}

DataPtr builtinRotate(BuiltinArgs args) {
  float v[4];
  if (!floatArgs(args, v)) return nullptr;
  return makeSceneNode(makeShared<RotateNode>(v[0], v[1], v[2], v[3]));
}

DataPtr builtinGroup(BuiltinArgs args) {
  std::vector<SceneNodePtr> children;
  children.reserve(args.size());
  for (const DataPtr& a : args) {
    SceneNodePtr node;
    if (!asSceneNode(a.get(), node)) return nullptr;
    children.push_back(std::move(node));
  }
  return makeSceneNode(makeShared<GroupNode>(std::move(children)));
}

DataPtr builtinLight(BuiltinArgs args) {
  if (!args.empty()) return nullptr;
  return makeSceneNode(makeShared<LightNode>());
}

DataPtr builtinModel(BuiltinArgs args) {
  std::string file;
  if (!fileArg(args, file)) return nullptr;
  // A name the model manager does not load (not an ".obj") still gives a
  // geometry node, one without a model that draws nothing.
  return makeSceneNode(makeShared<GeometryNode>(modelManager.GetModel(file), true, true));
}

DataPtr builtinCamera(BuiltinArgs args) {
  if (!args.empty()) return nullptr;
  return makeCamera(makeShared<Camera>());
}

DataPtr builtinMaterial(BuiltinArgs args) {
  std::string file;
  if (fileArg(args, file)) LoadMaterialLibrary(materialLibrary, file);
  return nullptr;
}

DataPtr builtinGetMaterial(BuiltinArgs args) {
  std::string name;
  if (args.size() != 1 || !asString(args[0].get(), name)) return nullptr;
  // Unknown names give the default material; with no default either there
  // is no material to hand out.
  SmartPointer<Material> material = materialLibrary.GetMaterial(name);
  return material ? makeMaterial(std::move(material)) : nullptr;
}

DataPtr builtinClone(BuiltinArgs args) {
  if (args.size() != 1) return nullptr;
  SceneNodePtr node;
  if (asSceneNode(args[0].get(), node)) return node ? makeSceneNode(node->clone()) : nullptr;
  SmartPointer<Material> material;
  if (asMaterial(args[0].get(), material)) return material ? makeMaterial(material->CloneMaterial()) : nullptr;
  return nullptr;
}

DataPtr builtinCollisionDetection(BuiltinArgs args) {
  if (args.size() != 2) return nullptr;
  SceneNodePtr a, b;
  if (!asSceneNode(args[0].get(), a) || !asSceneNode(args[1].get(), b)) return nullptr;
  if (!a || !b || a->kind != ISceneNode::kGeometry || b->kind != ISceneNode::kGeometry) return nullptr;
  // Each model is placed by the matrix its node captured at the last walk.
  auto& ga = static_cast<GeometryNode&>(*a);
  auto& gb = static_cast<GeometryNode&>(*b);
  AABBTreeCollision query(ga.modelView, ga.model, gb.modelView, gb.model);
  const bool collided = query.collide();
  if (collisionAnswerHook) collisionAnswerHook(collided);
  return makeBool(collided);
}

// The script's "scene" becomes the root that the renderer walks.
void takeSceneRoot(const DataPtr& value) {
  SceneNodePtr node;
  scene.root = asSceneNode(value.get(), node) ? node : nullptr;
}

}  // namespace

void registerSceneBuiltins() {
  // Connected on every registration, so a scene load always hands its
  // "scene" to the global Scene, whatever a test or tool set in between.
  setSceneHook(&takeSceneRoot);
  setMaterialEquals(&materialValuesEqual);
  registerBuiltin("clone", &builtinClone);
  registerBuiltin("collisionDetection", &builtinCollisionDetection);
  registerBuiltin("translate", &builtinTranslate);
  registerBuiltin("scale", &builtinScale);
  registerBuiltin("rotate", &builtinRotate);
  registerBuiltin("Group", &builtinGroup);
  registerBuiltin("Light", &builtinLight);
  registerBuiltin("Model", &builtinModel);
  registerBuiltin("Camera", &builtinCamera);
  registerBuiltin("Material", &builtinMaterial);
  registerBuiltin("getMaterial", &builtinGetMaterial);
}

void installSceneBuiltins() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  addBuiltinRegistrar(&registerSceneBuiltins);
}

}  // namespace qor::script
