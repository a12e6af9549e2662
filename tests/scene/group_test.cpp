// Group operations that need no GL: add, get and remove with the wrapping
// index rule, the cycle guard, cloning of transforms and groups.

#include "scene/GroupNode.h"
#include "scene/LightNode.h"
#include "scene/TransformNodes.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using qor::GroupNode;
using qor::SceneNodePtr;
using qor::SmartPointer;
using qor::TranslateNode;

SceneNodePtr translate(float x) { return SceneNodePtr(new TranslateNode(x, 0, 0)); }

float xOf(const SceneNodePtr& node) { return static_cast<TranslateNode*>(node.get())->x; }

SmartPointer<GroupNode> groupOf(std::vector<SceneNodePtr> children) {
  return SmartPointer<GroupNode>(new GroupNode(std::move(children)));
}

TEST(SceneNodeTest, KindsAreSingleBits) {
  EXPECT_EQ(qor::ScaleNode(1, 1, 1).kind, 1);
  EXPECT_EQ(qor::RotateNode(0, 0, 0, 1).kind, 2);
  EXPECT_EQ(TranslateNode(0, 0, 0).kind, 4);
  EXPECT_EQ(GroupNode().kind, 8);
  EXPECT_EQ(qor::LightNode().kind, 16);
  EXPECT_TRUE(TranslateNode(0, 0, 0).isTransform());
  EXPECT_FALSE(GroupNode().isTransform());
  EXPECT_FALSE(qor::LightNode().isTransform());
}

TEST(GroupNodeTest, GetAndRemoveWrapTheIndex) {
  auto g = groupOf({translate(0), translate(1), translate(2)});
  EXPECT_EQ(xOf(g->get(-1)), 2);
  EXPECT_EQ(xOf(g->get(3)), 0);
  EXPECT_EQ(xOf(g->get(-4)), 2);
  EXPECT_EQ(xOf(g->get(-3)), 0);
  EXPECT_EQ(xOf(g->get(7)), 1);
  EXPECT_NE(g->get(INT_MIN), nullptr);
  EXPECT_NE(g->get(INT_MAX), nullptr);

  // Removing moves later children up.
  EXPECT_TRUE(g->remove(-3));  // the first child
  ASSERT_EQ(g->childCount(), 2u);
  EXPECT_EQ(xOf(g->get(0)), 1);
  EXPECT_EQ(xOf(g->get(1)), 2);
  EXPECT_TRUE(g->remove(5));  // 5 mod 2 = 1
  ASSERT_EQ(g->childCount(), 1u);
  EXPECT_EQ(xOf(g->get(0)), 1);
}

TEST(GroupNodeTest, EmptyGroupGivesNullAndStaysEmpty) {
  auto g = groupOf({});
  EXPECT_EQ(g->get(0), nullptr);
  EXPECT_EQ(g->get(-1), nullptr);
  EXPECT_FALSE(g->remove(0));
  EXPECT_FALSE(g->remove(-5));
  EXPECT_EQ(g->childCount(), 0u);

  // Null children are left out of a new group and refused by add.
  auto h = groupOf({nullptr, translate(1), nullptr});
  EXPECT_EQ(h->childCount(), 1u);
  EXPECT_FALSE(h->add(nullptr));
  EXPECT_EQ(h->childCount(), 1u);
}

TEST(GroupNodeTest, TheSameNodeMayBeAddedTwiceAndToTwoGroups) {
  SceneNodePtr t = translate(1);
  auto a = groupOf({});
  auto b = groupOf({});
  EXPECT_TRUE(a->add(t));
  EXPECT_TRUE(a->add(t));
  EXPECT_TRUE(b->add(t));
  EXPECT_EQ(a->childCount(), 2u);
  EXPECT_EQ(t->refCount(), 4);  // t, twice in a, once in b
  // A group shared by two parents is no cycle either.
  auto shared = groupOf({t});
  EXPECT_TRUE(a->add(shared));
  EXPECT_TRUE(b->add(shared));
  EXPECT_TRUE(a->remove(0));
  EXPECT_EQ(t->refCount(), 4);  // shared now holds one
}

TEST(GroupNodeTest, AddRefusesAnythingThatWouldMakeACycle) {
  auto root = groupOf({});
  auto mid = groupOf({});
  auto leaf = groupOf({translate(1)});
  ASSERT_TRUE(root->add(mid));
  ASSERT_TRUE(mid->add(leaf));

  EXPECT_FALSE(root->add(root));  // itself
  EXPECT_FALSE(leaf->add(root));  // an ancestor
  EXPECT_FALSE(leaf->add(mid));   // its parent
  // A new group that holds an ancestor somewhere below.
  auto wrapper = groupOf({translate(0), groupOf({groupOf({mid})})});
  EXPECT_FALSE(leaf->add(wrapper));
  EXPECT_EQ(leaf->childCount(), 1u);
  EXPECT_EQ(root->childCount(), 1u);

  // The other direction is fine: adding a descendant again is only sharing.
  EXPECT_TRUE(root->add(leaf));
  EXPECT_TRUE(root->subtreeContains(leaf.get()));
  EXPECT_FALSE(leaf->subtreeContains(root.get()));
}

TEST(GroupNodeTest, CycleSearchOfAWideDiamondGraphEnds) {
  // 40 levels, each holding the level below twice: 2^40 paths, but the
  // search visits each group once.
  auto bottom = groupOf({translate(1)});
  SmartPointer<GroupNode> level = bottom;
  for (int i = 0; i < 40; ++i) level = groupOf({level, level});
  EXPECT_FALSE(bottom->add(level));
  EXPECT_TRUE(level->subtreeContains(bottom.get()));
  auto other = groupOf({});
  EXPECT_FALSE(level->subtreeContains(other.get()));
}

TEST(GroupNodeTest, CloneCopiesTheWholeSubtree) {
  auto inner = groupOf({translate(2), SceneNodePtr(new qor::RotateNode(30, 0, 1, 0))});
  auto g = groupOf({translate(1), inner, SceneNodePtr(new qor::ScaleNode(1, 2, 3))});
  SceneNodePtr copy = g->clone();
  ASSERT_EQ(copy->kind, qor::ISceneNode::kGroup);
  auto* c = static_cast<GroupNode*>(copy.get());
  ASSERT_EQ(c->childCount(), 3u);
  EXPECT_NE(c->get(0), g->get(0));
  EXPECT_EQ(xOf(c->get(0)), 1);

  auto* innerCopy = static_cast<GroupNode*>(c->get(1).get());
  ASSERT_NE(innerCopy, inner.get());
  ASSERT_EQ(innerCopy->childCount(), 2u);
  auto* rot = static_cast<qor::RotateNode*>(innerCopy->get(1).get());
  EXPECT_EQ(rot->kind, qor::ISceneNode::kRotate);
  EXPECT_EQ(rot->angle, 30);
  EXPECT_EQ(rot->y, 1);

  auto* scale = static_cast<qor::ScaleNode*>(c->get(2).get());
  EXPECT_EQ(scale->z, 3);

  // Changing the copy leaves the source alone.
  static_cast<TranslateNode*>(c->get(0).get())->x = 9;
  rot->angle = 45;
  EXPECT_EQ(xOf(g->get(0)), 1);
  EXPECT_EQ(static_cast<qor::RotateNode*>(inner->get(1).get())->angle, 30);
}

TEST(LightNodeTest, CloneCopiesColoursButNotStateOrPosition) {
  qor::LightNode light;
  light.enabled = false;
  light.diffuse[1] = 0.25f;
  light.linearAttenuation = 0.5f;
  light.position[0] = 7.0f;
  SceneNodePtr copy = light.clone();
  auto* c = static_cast<qor::LightNode*>(copy.get());
  EXPECT_TRUE(c->enabled);
  EXPECT_EQ(c->diffuse[1], 0.25f);
  EXPECT_EQ(c->linearAttenuation, 0.5f);
  EXPECT_EQ(c->position[0], 0.0f);
}

}  // namespace
