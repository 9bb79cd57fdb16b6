// The model readers on arbitrary file contents: the input is read as the
// entity "M", the joint template "J" and the complex entity "C" (next to the
// sample models, which it may name). Whatever they describe is built, joined
// and stepped in a scene.
#include <cstdint>

#include "FuzzDataTree.h"
#include "FuzzPhysicsData.h"
#include "physics/CNodePhysics.h"
#include "physics/CNodePhysicsJoint.h"
#include "physics/CNodePhysicsReader.h"

using namespace RenderEngine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzDataTree tree;
  fuzzphysics::prepare();
  tree.put("physicmodels/entities/M.ynm", data, size);
  tree.put("physicmodels/jointtemplates/J.ynm", data, size);
  tree.put("physicmodels/complexentities/C.ynm", data, size);
  CNodePhysicsReader reader;
  reader.setScale(10);
  reader.getJointTemplate("J");
  CScenePhysics scene;
  scene.setWorldParameters(PhysicsWorldParameters{10, 0, Vector3(0.0f, 400.0f, 0.0f), 0.9f});
  CNodePhysicsBaseInterface* simple = reader.createEntity("M");
  CNodePhysicsBaseInterface* complex = reader.createEntity("C");
  CNodePhysicsBaseInterface* ground = reader.createEntity("Ground");
  scene.addPhysicsItem(simple);
  scene.addPhysicsItem(complex);
  if (ground != nullptr) ground->setPosition(240.0f, 310.0f, 0.0f);
  scene.addPhysicsItem(ground);
  auto* a = dynamic_cast<CNodePhysics*>(simple);
  auto* b = dynamic_cast<CNodePhysics*>(ground);
  if (a != nullptr && b != nullptr) {
    a->setPosition(240.0f, 200.0f, 0.0f);
    scene.addPhysicsItem(reader.createJoint("J", a, b));
  }
  fuzzphysics::run(scene, 3);
  return 0;
}
