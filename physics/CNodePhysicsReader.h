#pragma once
// Reads the physics data of the game: the collision name tables, the models of
// single entities, the joint templates, the complex entities (entities joined
// by joints) and the levels, all XML files with the extension "ynm". Models
// are cached by name; every length read is multiplied by the scale (the
// configured grid size). Three factory operations build physics nodes from
// the models; the game overrides them to build its own classes.
//
// Nothing from a file reaches the physics library unchecked: a missing or bad
// value gets its default with a message naming the file and the element, and
// an item that cannot be built (an unknown model, a polygon of two points, a
// joint to an entity that is not there) is reported and left out.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "physics/PhysicsDescriptions.h"

class TiXmlDocument;
class TiXmlElement;

namespace RenderEngine {
class CNode;
class CNodePhysics;
class CNodePhysicsBaseInterface;
class CNodePhysicsJoint;
}  // namespace RenderEngine

// One named model: an entity (its body) or a joint template (its joint).
struct PhysicsModelDescription {
  std::string name;
  RenderEngine::PhysicsBodyDescription body;
  RenderEngine::PhysicsJointDescription joint;
  std::int32_t textureId = -1;  // -1: no visual
  std::string visualNodeName;
  std::int32_t visualTag = 0;
};

// One entity of a level or a complex entity. For a complex entity placed in a
// level the model holds only the name it was requested by (its body is empty):
// createEntity builds it by that name.
struct PlacedEntityDescription {
  PhysicsModelDescription model;
  float x = 0.0f;
  float y = 0.0f;
  float angle = 0.0f;  // degrees
};

// A level or a complex entity. Every joint's entity1 and entity2 are indexes
// into entities; joints whose ends are not both there have been left out.
struct EntityGroupDescription {
  std::string name;
  std::vector<PlacedEntityDescription> entities;
  std::vector<PhysicsModelDescription> joints;
};

class CNodePhysicsReader {
 public:
  // Entities beyond these are reported and left out.
  static constexpr int kMaxGroupEntities = 512;
  static constexpr int kMaxShapePoints = 64;

  // Empty caches, scale 1; reads the collision tables.
  CNodePhysicsReader();
  virtual ~CNodePhysicsReader();
  CNodePhysicsReader(const CNodePhysicsReader&) = default;
  CNodePhysicsReader& operator=(const CNodePhysicsReader&) = default;

  void setScale(std::int32_t scale) { scale_ = scale; }
  std::int32_t getScale() const { return scale_; }

  // The cached model of that name, read from the file named after it on a
  // miss. A model that is still missing comes back with an empty name: callers
  // compare the name they get with the one they asked for.
  virtual PhysicsModelDescription getEntity(const std::string& name);
  virtual PhysicsModelDescription getJointTemplate(const std::string& name);
  virtual EntityGroupDescription getComplexEntity(const std::string& name);
  // The last "level" element of "levels/<level>.ynm"; an empty group when the
  // file does not load.
  virtual EntityGroupDescription loadLevel(std::int32_t level);
  // A sprite on the texture of that number; null for -1.
  virtual RenderEngine::CNode* createVisual(std::int32_t textureId, const std::string& nodeName, std::int32_t tag);
  // A joint from the template between the two nodes' bodies (the template's
  // own anchors, so (0, 0) for all); null when the template or a node is missing.
  virtual RenderEngine::CNodePhysicsJoint* createJoint(const std::string& templateName,
                                                       RenderEngine::CNodePhysics* node1,
                                                       RenderEngine::CNodePhysics* node2);
  // A physics node for an entity model, or a container of nodes and joints for
  // a complex entity; null for a name that is neither. Nothing is added to a
  // physics space.
  virtual RenderEngine::CNodePhysicsBaseInterface* createEntity(const std::string& name);
  // Empties the caches and reads the collision tables again.
  virtual void reload();

  // The files of one model: every model the file defines goes into the cache.
  void readEntity(const std::string& name);
  void readJointTemplateFile(const std::string& name);
  void readComplexEntityFile(const std::string& name);

  // The process-wide collision tables, shared by every reader.
  static void initGroupList();
  static void initTypeList();
  static void initLayerList();
  // A name's value; a name the table lacks gives 0 (and is entered with 0).
  static std::int32_t lookupGroup(const std::string& name);
  static std::int32_t lookupType(const std::string& name);
  static std::int32_t lookupLayers(const std::string& name);
  static const std::map<std::string, std::int32_t>& groupTable();
  static const std::map<std::string, std::int32_t>& typeTable();
  static const std::map<std::string, std::int32_t>& layerTable();

 protected:
  // Whether a name is a cached model or has a file of its kind. A file that
  // is there is read into the caches at once, as the get that follows would
  // read it; a name without one prints nothing, so a level can tell entities
  // from complex entities without a failed read of the wrong kind.
  bool hasEntityModel(const std::string& name);
  bool hasComplexEntity(const std::string& name);
  // The container for a complex entity: a physics node per placed entity (its
  // visual from createVisual), then a joint per joint from createJoint. An
  // entity that cannot be built keeps its place, so the joints still join the
  // entities they name; a joint to it is left out.
  RenderEngine::CNodePhysicsBaseInterface* buildComplexEntity(const EntityGroupDescription& group);
  // A simple entity's node: body, visual child, colour.
  RenderEngine::CNodePhysics* buildSimpleEntity(const PhysicsModelDescription& model);

  // Element readers. Each answers false when the item must be left out (the
  // reason has been reported).
  bool readEntityElement(const TiXmlElement& element, PhysicsModelDescription& model);
  bool readJointTemplateElement(const TiXmlElement& element, PhysicsModelDescription& model);
  void readVisualRepresentation(const TiXmlElement& element, PhysicsModelDescription& model);
  void readPhysicBody(const TiXmlElement& element, RenderEngine::PhysicsBodyDescription& body);
  bool readPhysicShape(const TiXmlElement& element, RenderEngine::PhysicsShapeDescription& shape);
  bool readPhysicJoint(const TiXmlElement& element, RenderEngine::PhysicsJointDescription& joint);
  // A level (complex entities allowed among its entities) or a complex entity.
  void readEntityGroup(const TiXmlElement& element, EntityGroupDescription& group, bool allowComplex);
  RenderEngine::Vector3 readScaledPoint(const TiXmlElement& element);

 private:
  // The file being read and the element in it, for the messages.
  std::string where() const;
  float scaledLength(double value) const;
  struct ModelKind;
  static const ModelKind kEntityKind;
  static const ModelKind kJointKind;
  static const ModelKind kComplexKind;
  // The models of the document's wrapper element, or of its top-level
  // elements, into the cache of their kind.
  void readModelElements(const ModelKind& kind, const TiXmlDocument& document, const std::string& file);
  // The file named after name read into the caches; what went wrong is reported.
  void readModelFile(const ModelKind& kind, const std::string& name);
  bool hasModel(const ModelKind& kind, const std::string& name);
  bool isCached(const ModelKind& kind, const std::string& name) const;

  std::map<std::string, PhysicsModelDescription> entities_;
  std::map<std::string, PhysicsModelDescription> jointTemplates_;
  std::map<std::string, EntityGroupDescription> complexEntities_;
  std::int32_t scale_ = 1;
  std::string file_;
  std::string element_;
  // A file the last presence check read without finding its model in it.
  std::string readWithoutModel_;
};
