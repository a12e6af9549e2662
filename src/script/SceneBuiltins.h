#pragma once
// The built-ins that build and query the scene: node constructors ("Group",
// "translate", "scale", "rotate", "Light", "Model"), cameras, materials
// ("Material", "getMaterial"), "clone" and "collisionDetection"; and the
// hand-over of the script's "scene" variable to the global Scene's root.

namespace qor::script {

// Told every answer "collisionDetection" gives (the shell shows it in its
// collision window); null: nobody listens.
extern void (*collisionAnswerHook)(bool collided);

// Adds registerSceneBuiltins to the registrars that registerBuiltins runs,
// so the scene built-ins come back after every scene reset. Safe to call
// more than once; registerBuiltins calls it.
void installSceneBuiltins();

// Registers the scene built-ins into the current registry and connects the
// interpreter's scene hook to the global Scene's root and Material "==" to
// the operator table.
void registerSceneBuiltins();

}  // namespace qor::script
