#include "physics/CNodePhysicsReader.h"

#include <tinyxml.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

#include "app/ResourcePaths.h"
#include "physics/CNodePhysics.h"
#include "physics/CNodePhysicsContainer.h"
#include "physics/CNodePhysicsJoint.h"
#include "physics/PhysicsGuard.h"
#include "physics/PhysicsXml.h"
#include "render_engine/CSprite.h"

using RenderEngine::PhysicsGuard::report;
using namespace RenderEngine;

namespace {

const char* const kExtension = "ynm";
const char* const kEntityFolder = "physicmodels/entities";
const char* const kJointFolder = "physicmodels/jointtemplates";
const char* const kComplexFolder = "physicmodels/complexentities";

std::string modelFile(const char* folder, const std::string& name) {
  return std::string(folder) + "/" + name + "." + kExtension;
}

std::string tableFile(const char* base) { return std::string(base) + "." + kExtension; }

// One process-wide table: the values read from its file, and the names that
// were looked up without being there (entered with 0).
struct CollisionTable {
  std::map<std::string, std::int32_t> values;
  std::set<std::string> unknown;
};

CollisionTable& groups() {
  static CollisionTable t;
  return t;
}
CollisionTable& types() {
  static CollisionTable t;
  return t;
}
CollisionTable& layers() {
  static CollisionTable t;
  return t;
}

struct TableFormat {
  const char* function;  // for the messages
  const char* file;
  const char* top;
  const char* entry;
  const char* foundFormat;  // null: no line per entry
};

void readTable(CollisionTable& table, const TableFormat& format) {
  std::printf("%s...\n", format.function);
  table.values.clear();
  table.unknown.clear();
  const std::string file = tableFile(format.file);
  TiXmlDocument document;
  if (!loadXmlResource(document, file)) {
    report("%s(): File not found.", format.function);
    if (document.ErrorId() != TiXmlBase::TIXML_ERROR_OPENING_FILE) {
      report("%s: %s (line %d)", file.c_str(), document.ErrorDesc(), document.ErrorRow());
    }
    return;
  }
  const TiXmlElement* top = document.FirstChildElement(format.top);
  if (top == nullptr) {
    report("%s: no <%s> element: the table is empty", file.c_str(), format.top);
    return;
  }
  int index = 0;
  for (const TiXmlElement* e = top->FirstChildElement(format.entry); e != nullptr;
       e = e->NextSiblingElement(format.entry)) {
    ++index;
    const char* name = e->Attribute("name");
    const auto value = PhysicsXml::parseInteger(e->Attribute("value"));
    if (name == nullptr || *name == '\0' || !value) {
      report("%s: <%s> number %d skipped: it needs a name and a whole-number value", file.c_str(), format.entry, index);
      continue;
    }
    table.values[name] = *value;
    if (format.foundFormat != nullptr) std::printf(format.foundFormat, name, *value);
  }
}

std::int32_t lookup(CollisionTable& table, const std::string& name) {
  auto it = table.values.find(name);
  if (it != table.values.end()) return it->second;
  table.values[name] = 0;
  table.unknown.insert(name);
  return 0;
}

bool isUnknown(const CollisionTable& table, const std::string& name) { return table.unknown.count(name) != 0; }

// Scopes the element named in messages.
class ElementScope {
 public:
  ElementScope(std::string& element, const std::string& part) : element_(element), saved_(element) {
    if (!element_.empty()) element_ += ", ";
    element_ += part;
  }
  ~ElementScope() { element_ = saved_; }
  ElementScope(const ElementScope&) = delete;
  ElementScope& operator=(const ElementScope&) = delete;

 private:
  std::string& element_;
  std::string saved_;
};

// Scopes the file named in messages.
class FileScope {
 public:
  FileScope(std::string& file, std::string& element, std::string name)
      : file_(file), element_(element), savedFile_(file), savedElement_(element) {
    file_ = std::move(name);
    element_.clear();
  }
  ~FileScope() {
    file_ = savedFile_;
    element_ = savedElement_;
  }
  FileScope(const FileScope&) = delete;
  FileScope& operator=(const FileScope&) = delete;

 private:
  std::string& file_;
  std::string& element_;
  std::string savedFile_;
  std::string savedElement_;
};

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

void reportParseDetail(const TiXmlDocument& document, const std::string& file) {
  if (document.ErrorId() != TiXmlBase::TIXML_ERROR_OPENING_FILE) {
    report("%s: %s (line %d, column %d)", file.c_str(), document.ErrorDesc(), document.ErrorRow(), document.ErrorCol());
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and caches

CNodePhysicsReader::CNodePhysicsReader() {
  initGroupList();
  initTypeList();
  initLayerList();
}

CNodePhysicsReader::~CNodePhysicsReader() = default;

void CNodePhysicsReader::reload() {
  entities_.clear();
  jointTemplates_.clear();
  complexEntities_.clear();
  initGroupList();
  initLayerList();
  initTypeList();
}

PhysicsModelDescription CNodePhysicsReader::getEntity(const std::string& name) {
  auto it = entities_.find(name);
  if (it == entities_.end()) {
    readEntity(name);
    it = entities_.find(name);
  }
  return it != entities_.end() ? it->second : PhysicsModelDescription{};
}

PhysicsModelDescription CNodePhysicsReader::getJointTemplate(const std::string& name) {
  auto it = jointTemplates_.find(name);
  if (it == jointTemplates_.end()) {
    readJointTemplateFile(name);
    it = jointTemplates_.find(name);
  }
  return it != jointTemplates_.end() ? it->second : PhysicsModelDescription{};
}

EntityGroupDescription CNodePhysicsReader::getComplexEntity(const std::string& name) {
  auto it = complexEntities_.find(name);
  if (it == complexEntities_.end()) {
    readComplexEntityFile(name);
    it = complexEntities_.find(name);
  }
  return it != complexEntities_.end() ? it->second : EntityGroupDescription{};
}

// ---------------------------------------------------------------------------
// Collision tables

void CNodePhysicsReader::initGroupList() {
  readTable(groups(),
            {"initGroupList", "physicmodels/collisiongroups", "collisiongroups", "group", "group found: %s, %d\n"});
}

void CNodePhysicsReader::initTypeList() {
  readTable(types(), {"initTypeList", "physicmodels/collisiontypes", "collisiontypes", "type", "type found: %s, %d\n"});
}

void CNodePhysicsReader::initLayerList() {
  readTable(layers(), {"initLayerList", "physicmodels/collisionlayers", "collisionlayers", "layer", nullptr});
}

std::int32_t CNodePhysicsReader::lookupGroup(const std::string& name) { return lookup(groups(), name); }
std::int32_t CNodePhysicsReader::lookupType(const std::string& name) { return lookup(types(), name); }
std::int32_t CNodePhysicsReader::lookupLayers(const std::string& name) { return lookup(layers(), name); }
const std::map<std::string, std::int32_t>& CNodePhysicsReader::groupTable() { return groups().values; }
const std::map<std::string, std::int32_t>& CNodePhysicsReader::typeTable() { return types().values; }
const std::map<std::string, std::int32_t>& CNodePhysicsReader::layerTable() { return layers().values; }

// ---------------------------------------------------------------------------
// Model files

std::string CNodePhysicsReader::where() const { return element_.empty() ? file_ : file_ + ": " + element_; }

float CNodePhysicsReader::scaledLength(double value) const {
  return PhysicsXml::toFloat(value * static_cast<double>(scale_));
}

// The three kinds of model file: where they live, how they are wrapped, what
// is said when one does not load.
struct CNodePhysicsReader::ModelKind {
  const char* folder;
  const char* wrapper;
  const char* element;
  const char* failure;
};

const CNodePhysicsReader::ModelKind CNodePhysicsReader::kEntityKind{
    kEntityFolder, "physicsentities", "physicsentity",
    "CNodePhysicsReader::readEntity: Error parsing entity %s or entitiy not found"};
const CNodePhysicsReader::ModelKind CNodePhysicsReader::kJointKind{
    kJointFolder, "jointtemplates", "jointtemplate",
    "CNodePhysicsReader::readJointTemplateFile: Error parsing joint %s or joint not found"};
const CNodePhysicsReader::ModelKind CNodePhysicsReader::kComplexKind{
    kComplexFolder, "complexentities", "complexentity",
    "CNodePhysicsReader::readComplexEntityFile: Error parsing complex entity %s or entity not found"};

void CNodePhysicsReader::readModelElements(const ModelKind& kind, const TiXmlDocument& document,
                                           const std::string& file) {
  FileScope scope(file_, element_, file);
  const TiXmlNode* parent = document.FirstChildElement(kind.wrapper);
  if (parent == nullptr) parent = &document;
  for (const TiXmlElement* e = parent->FirstChildElement(kind.element); e != nullptr;
       e = e->NextSiblingElement(kind.element)) {
    if (&kind == &kEntityKind) {
      PhysicsModelDescription model;
      if (readEntityElement(*e, model)) entities_[model.name] = std::move(model);
    } else if (&kind == &kJointKind) {
      PhysicsModelDescription model;
      if (readJointTemplateElement(*e, model)) jointTemplates_[model.name] = std::move(model);
    } else {
      const char* own = e->Attribute("name");
      if (own == nullptr || *own == '\0') {
        report("%s: a complexentity without a name is left out", where().c_str());
        continue;
      }
      ElementScope elementScope(element_, "complexentity " + quoted(own));
      EntityGroupDescription group;
      // Its parts become plain physics nodes: a complex entity cannot hold another.
      readEntityGroup(*e, group, false);
      complexEntities_[group.name] = std::move(group);
    }
  }
}

bool CNodePhysicsReader::isCached(const ModelKind& kind, const std::string& name) const {
  if (&kind == &kEntityKind) return entities_.count(name) != 0;
  if (&kind == &kJointKind) return jointTemplates_.count(name) != 0;
  return complexEntities_.count(name) != 0;
}

void CNodePhysicsReader::readModelFile(const ModelKind& kind, const std::string& name) {
  const std::string file = modelFile(kind.folder, name);
  if (file == readWithoutModel_) {
    // Just read by the presence check, which found no such model in it.
    readWithoutModel_.clear();
    report("%s does not define %s \"%s\"", file.c_str(), kind.element, name.c_str());
    return;
  }
  TiXmlDocument document;
  if (!PhysicsXml::isPlainName(name) || !loadXmlResource(document, file)) {
    report(kind.failure, name.c_str());
    if (PhysicsXml::isPlainName(name)) reportParseDetail(document, file);
    return;
  }
  readModelElements(kind, document, file);
  if (!isCached(kind, name)) report("%s does not define %s \"%s\"", file.c_str(), kind.element, name.c_str());
}

bool CNodePhysicsReader::hasModel(const ModelKind& kind, const std::string& name) {
  readWithoutModel_.clear();
  if (isCached(kind, name)) return true;
  if (!PhysicsXml::isPlainName(name)) return false;
  // A file that is there is read now, once: the get that follows finds its
  // models cached.
  const std::string file = modelFile(kind.folder, name);
  TiXmlDocument document;
  const XmlResource found = loadXmlResourceIfPresent(document, file);
  if (found == XmlResource::Absent) return false;
  if (found == XmlResource::Loaded) {
    readModelElements(kind, document, file);
    if (!isCached(kind, name)) readWithoutModel_ = file;
  }
  // One that does not load is read again by the get, which says why.
  return true;
}

bool CNodePhysicsReader::hasEntityModel(const std::string& name) { return hasModel(kEntityKind, name); }

bool CNodePhysicsReader::hasComplexEntity(const std::string& name) { return hasModel(kComplexKind, name); }

void CNodePhysicsReader::readEntity(const std::string& name) { readModelFile(kEntityKind, name); }

void CNodePhysicsReader::readJointTemplateFile(const std::string& name) { readModelFile(kJointKind, name); }

void CNodePhysicsReader::readComplexEntityFile(const std::string& name) { readModelFile(kComplexKind, name); }

EntityGroupDescription CNodePhysicsReader::loadLevel(std::int32_t level) {
  char file[64];
  std::snprintf(file, sizeof file, "%s/%d.%s", "levels", level, kExtension);
  EntityGroupDescription result;
  TiXmlDocument document;
  if (!loadXmlResource(document, file)) {
    report("CNodePhysicsReader::loadLevel: Error parsing level %d or level not found", level);
    reportParseDetail(document, file);
    return result;
  }
  FileScope scope(file_, element_, file);
  int count = 0;
  for (const TiXmlElement* e = document.FirstChildElement("level"); e != nullptr; e = e->NextSiblingElement("level")) {
    ++count;
    ElementScope levelScope(element_, "level " + std::to_string(count));
    EntityGroupDescription group;
    readEntityGroup(*e, group, true);
    result = std::move(group);
  }
  if (count == 0) report("%s: no <level> element: the level is empty", file);
  return result;
}

// ---------------------------------------------------------------------------
// Element readers

bool CNodePhysicsReader::readEntityElement(const TiXmlElement& e, PhysicsModelDescription& model) {
  const char* name = e.Attribute("name");
  if (name == nullptr || *name == '\0') {
    report("%s: a physicsentity without a name is left out", where().c_str());
    return false;
  }
  ElementScope scope(element_, "physicsentity " + quoted(name));
  readVisualRepresentation(e, model);
  readPhysicBody(e, model.body);
  return true;
}

bool CNodePhysicsReader::readJointTemplateElement(const TiXmlElement& e, PhysicsModelDescription& model) {
  const char* name = e.Attribute("name");
  if (name == nullptr || *name == '\0') {
    report("%s: a jointtemplate without a name is left out", where().c_str());
    return false;
  }
  ElementScope scope(element_, "jointtemplate " + quoted(name));
  readVisualRepresentation(e, model);
  return readPhysicJoint(e, model.joint);
}

void CNodePhysicsReader::readVisualRepresentation(const TiXmlElement& e, PhysicsModelDescription& model) {
  const char* name = e.Attribute("name");
  model.name = name != nullptr ? name : "";
  model.textureId = -1;
  model.visualNodeName.clear();
  model.visualTag = 0;
  const TiXmlElement* visual = e.FirstChildElement("visualrepresentation");
  if (visual == nullptr) {
    report("%s: no <visualrepresentation>, so no visual", where().c_str());
    return;
  }
  const PhysicsXml::Where at{file_, element_.empty() ? "visualrepresentation" : element_ + ", visualrepresentation"};
  if (const TiXmlElement* node = visual->FirstChildElement("CNode")) {
    const PhysicsXml::Where nodeAt{file_, at.element + ", CNode"};
    model.visualNodeName = PhysicsXml::textAttribute(*node, "name", "", nodeAt);
    model.visualTag = PhysicsXml::integerAttribute(*node, "tag", 0, nodeAt);
    return;
  }
  const TiXmlElement* texture = visual->FirstChildElement("Texture");
  if (texture == nullptr) {
    report("%s: <visualrepresentation> has neither <Texture> nor <CNode>, so no visual", where().c_str());
    return;
  }
  model.textureId =
      PhysicsXml::integerAttribute(*texture, "id", -1, PhysicsXml::Where{file_, at.element + ", Texture"});
}

void CNodePhysicsReader::readPhysicBody(const TiXmlElement& e, PhysicsBodyDescription& body) {
  body = PhysicsBodyDescription{};
  const PhysicsXml::Where at{file_, element_};
  const std::string kind = PhysicsXml::textAttribute(e, "static", "false", at);
  if (kind != "true" && kind != "false") {
    report("%s: static \"%s\" is neither \"true\" nor \"false\": the body moves", where().c_str(), kind.c_str());
  }
  body.isStatic = kind == "true";
  if (!body.isStatic) body.mass = PhysicsXml::toFloat(PhysicsXml::realAttribute(e, "mass", 1.0, at));

  const TiXmlElement* list = e.FirstChildElement("shapelist");
  if (list == nullptr) {
    report("%s: no <shapelist>: the body has no shapes", where().c_str());
  } else {
    int index = 0;
    for (const TiXmlElement* s = list->FirstChildElement("shape"); s != nullptr; s = s->NextSiblingElement("shape")) {
      ++index;
      if (body.shapeCount == kMaxShapesPerBody) {
        report("%s: more than %d shapes: shape %d and the rest are left out", where().c_str(), kMaxShapesPerBody,
               index);
        break;
      }
      ElementScope scope(element_, "shape " + std::to_string(index));
      PhysicsShapeDescription shape;
      if (readPhysicShape(*s, shape)) body.shapes[body.shapeCount++] = std::move(shape);
    }
  }

  body.group = 0;
  body.collisionType = 0;
  body.layers = 0xFFFFFFFFu;
  if (const TiXmlElement* info = e.FirstChildElement("collisioninfos")) {
    if (const char* group = info->Attribute("group")) {
      body.group = lookupGroup(group);
      if (isUnknown(groups(), group)) {
        report("%s: collision group \"%s\" is not in the group table, using 0", where().c_str(), group);
      }
    }
    if (const char* type = info->Attribute("collisionType")) {
      body.collisionType = lookupType(type);
      if (isUnknown(types(), type)) {
        report("%s: collision type \"%s\" is not in the type table, using 0", where().c_str(), type);
      }
    }
    if (const char* layerName = info->Attribute("layersbitset")) {
      body.layers = static_cast<std::uint32_t>(lookupLayers(layerName));
      if (isUnknown(layers(), layerName)) {
        report("%s: layer set \"%s\" is not in the layer table, using 0: the body collides with nothing",
               where().c_str(), layerName);
      }
    }
  }
}

bool CNodePhysicsReader::readPhysicShape(const TiXmlElement& e, PhysicsShapeDescription& shape) {
  const PhysicsXml::Where at{file_, element_};
  const char* model = e.Attribute("model");
  if (model == nullptr) {
    report("%s: the shape has no model: it is left out", where().c_str());
    return false;
  }
  if (std::strcmp(model, "circle") == 0) {
    shape.model = kShapeCircle;
  } else if (std::strcmp(model, "segment") == 0) {
    shape.model = kShapeSegment;
  } else if (std::strcmp(model, "polygon") == 0) {
    shape.model = kShapePolygon;
  } else {
    report("readPhysicShape error: unknown model \"%s\" in %s: the shape is left out", model, where().c_str());
    return false;
  }
  shape.elasticity = PhysicsXml::toFloat(PhysicsXml::realAttribute(e, "elasticity", 0.0, at));
  shape.friction = PhysicsXml::toFloat(PhysicsXml::realAttribute(e, "friction", 0.0, at));
  if (shape.model == kShapeCircle) {
    shape.radius = scaledLength(PhysicsXml::realAttribute(e, "radius", 0.0, at));
  } else if (shape.model == kShapeSegment) {
    // A segment without a radius is a line of no thickness.
    shape.radius = scaledLength(PhysicsXml::optionalRealAttribute(e, "radius", 0.0, at));
  }
  shape.surfaceVelocity = Vector3();
  shape.offset = Vector3();
  if (const TiXmlElement* v = e.FirstChildElement("surface_velocity")) {
    ElementScope scope(element_, "surface_velocity");
    shape.surfaceVelocity = readScaledPoint(*v);
  }
  if (const TiXmlElement* o = e.FirstChildElement("offset")) {
    ElementScope scope(element_, "offset");
    shape.offset = readScaledPoint(*o);
  }
  if (shape.model == kShapeCircle) return true;

  const int needed = shape.model == kShapePolygon ? 3 : 2;
  const TiXmlElement* list = e.FirstChildElement("pointlist");
  if (list == nullptr) {
    report("%s: the %s has no <pointlist>: it is left out", where().c_str(), model);
    return false;
  }
  std::vector<float> xy;
  int count = 0;
  for (const TiXmlElement* p = list->FirstChildElement("point"); p != nullptr; p = p->NextSiblingElement("point")) {
    if (count == kMaxShapePoints) {
      report("%s: more than %d points: the rest are left out", where().c_str(), kMaxShapePoints);
      break;
    }
    ++count;
    ElementScope scope(element_, "point " + std::to_string(count));
    const Vector3 point = readScaledPoint(*p);
    xy.push_back(point.x);
    xy.push_back(point.y);
  }
  if (count < needed) {
    report("%s: a %s needs %d points, it has %d: it is left out", where().c_str(), model, needed, count);
    return false;
  }
  shape.setPoints(std::move(xy));
  return true;
}

bool CNodePhysicsReader::readPhysicJoint(const TiXmlElement& e, PhysicsJointDescription& joint) {
  joint = PhysicsJointDescription{};
  const PhysicsXml::Where at{file_, element_};
  const char* type = e.Attribute("type");
  if (type == nullptr) {
    report("%s: the joint has no type: it is left out", where().c_str());
    return false;
  }
  if (std::strcmp(type, "pin") == 0) {
    joint.type = kJointPin;
  } else if (std::strcmp(type, "slide") == 0) {
    joint.type = kJointSlide;
  } else if (std::strcmp(type, "pivot") == 0) {
    joint.type = kJointPivot;
  } else if (std::strcmp(type, "groove") == 0) {
    joint.type = kJointGroove;
  } else {
    report("readPhysicJoint error: unknown type %s in %s: the joint is left out", type, where().c_str());
    return false;
  }
  joint.referenceSize = PhysicsXml::toFloat(PhysicsXml::realAttribute(e, "referenceSize", 0.0, at));
  if (joint.type == kJointSlide) {
    joint.slideMin = PhysicsXml::toFloat(PhysicsXml::realAttribute(e, "slideMin", 0.0, at));
    joint.slideMax = PhysicsXml::toFloat(PhysicsXml::realAttribute(e, "slideMax", 100.0, at));
  }
  return true;
}

Vector3 CNodePhysicsReader::readScaledPoint(const TiXmlElement& e) {
  const PhysicsXml::Where at{file_, element_};
  const double x = PhysicsXml::realAttribute(e, "x", 0.0, at);
  const double y = PhysicsXml::realAttribute(e, "y", 0.0, at);
  return Vector3(scaledLength(x), scaledLength(y), 0.0f);
}

void CNodePhysicsReader::readEntityGroup(const TiXmlElement& e, EntityGroupDescription& group, bool allowComplex) {
  const char* name = e.Attribute("name");
  group.name = name != nullptr ? name : "";
  group.entities.clear();
  group.joints.clear();

  // The id of each entity kept, by position (first: it has one).
  std::vector<std::pair<bool, std::int32_t>> ids;
  const TiXmlElement* list = e.FirstChildElement("baseentytylist");
  if (list == nullptr) {
    report("%s: no <baseentytylist>: no entities", where().c_str());
  } else {
    int index = 0;
    for (const TiXmlElement* item = list->FirstChildElement("entity"); item != nullptr;
         item = item->NextSiblingElement("entity")) {
      ++index;
      if (static_cast<int>(group.entities.size()) == kMaxGroupEntities) {
        report("%s: more than %d entities: entity %d and the rest are left out", where().c_str(), kMaxGroupEntities,
               index);
        break;
      }
      const char* model = item->Attribute("name");
      if (model == nullptr || *model == '\0') {
        report("%s: entity %d has no name: it is left out", where().c_str(), index);
        continue;
      }
      ElementScope scope(element_, "entity " + std::to_string(index) + " " + quoted(model));
      PlacedEntityDescription placed;
      bool known = false;
      if (hasEntityModel(model)) {
        placed.model = getEntity(model);
        known = placed.model.name == model;
      }
      if (!known && hasComplexEntity(model)) {
        if (!allowComplex) {
          report("%s: a complex entity cannot be part of another: it is left out", where().c_str());
          continue;
        }
        // Kept by name: createEntity builds the complex entity from it.
        known = getComplexEntity(model).name == model;
        placed.model = PhysicsModelDescription{};
        placed.model.name = model;
      }
      if (!known) {
        report("%s: no entity or complex entity of that name: it is left out", where().c_str());
        continue;
      }
      const PhysicsXml::Where at{file_, element_};
      const Vector3 position = readScaledPoint(*item);
      placed.x = position.x;
      placed.y = position.y;
      placed.angle = PhysicsXml::toFloat(PhysicsXml::realAttribute(*item, "angle", 0.0, at));
      const double id = PhysicsXml::realAttribute(*item, "id", -1.0, at);
      // A number beyond 32 bits cannot be truncated to an id; nothing joins it.
      const bool hasId = item->Attribute("id") != nullptr && id >= INT32_MIN && id <= INT32_MAX;
      ids.emplace_back(hasId, hasId ? static_cast<std::int32_t>(id) : 0);
      group.entities.push_back(std::move(placed));
    }
  }

  const TiXmlElement* joints = e.FirstChildElement("jointslist");
  if (joints == nullptr) return;
  auto indexOf = [&ids](double id) -> int {
    if (!(id >= INT32_MIN && id <= INT32_MAX)) return -1;
    const auto wanted = static_cast<std::int32_t>(id);
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (ids[i].first && ids[i].second == wanted) return static_cast<int>(i);
    }
    return -1;
  };
  int index = 0;
  for (const TiXmlElement* item = joints->FirstChildElement("joint"); item != nullptr;
       item = item->NextSiblingElement("joint")) {
    ++index;
    const char* templateName = item->Attribute("template");
    if (templateName == nullptr || *templateName == '\0') {
      report("%s: joint %d has no template: it is left out", where().c_str(), index);
      continue;
    }
    ElementScope scope(element_, "joint " + std::to_string(index) + " " + quoted(templateName));
    PhysicsModelDescription joint = getJointTemplate(templateName);
    if (joint.name != templateName) {
      report("%s: no joint template of that name: the joint is left out", where().c_str());
      continue;
    }
    const PhysicsXml::Where at{file_, element_};
    const double id1 = PhysicsXml::realAttribute(*item, "entyty1id", -1.0, at);
    const double id2 = PhysicsXml::realAttribute(*item, "entity2id", -1.0, at);
    const int first = indexOf(id1);
    const int second = indexOf(id2);
    if (first < 0 || second < 0) {
      report("%s: no entity has the id %g: the joint is left out", where().c_str(), first < 0 ? id1 : id2);
      continue;
    }
    if (first == second) {
      report("%s: both ends are entity %d: the joint is left out", where().c_str(), first + 1);
      continue;
    }
    joint.joint.entity1 = first;
    joint.joint.entity2 = second;
    auto point = [&](const char* child, Vector3& out) {
      ElementScope pointScope(element_, child);
      if (const TiXmlElement* p = item->FirstChildElement(child)) {
        out = readScaledPoint(*p);
      } else {
        report("%s: missing, using (0, 0)", where().c_str());
        out = Vector3();
      }
    };
    switch (joint.joint.type) {
      case kJointPin:
      case kJointSlide:
        point("anchor1", joint.joint.anchor1);
        point("anchor2", joint.joint.anchor2);
        break;
      case kJointPivot:
        point("pivot", joint.joint.pivot);
        break;
      case kJointGroove:
        point("groove1", joint.joint.groove1);
        point("groove2", joint.joint.groove2);
        point("anchor2", joint.joint.anchor2);
        break;
      default:
        break;
    }
    group.joints.push_back(std::move(joint));
  }
}

// ---------------------------------------------------------------------------
// Factory

CNode* CNodePhysicsReader::createVisual(std::int32_t textureId, const std::string& /*nodeName*/, std::int32_t /*tag*/) {
  if (textureId == -1) return nullptr;
  return new CSprite(static_cast<int>(textureId));
}

CNodePhysicsJoint* CNodePhysicsReader::createJoint(const std::string& templateName, CNodePhysics* node1,
                                                   CNodePhysics* node2) {
  if (node1 == nullptr || node2 == nullptr) {
    report("createJoint: joint \"%s\" needs two physics nodes: it is left out", templateName.c_str());
    return nullptr;
  }
  const PhysicsModelDescription model = getJointTemplate(templateName);
  if (model.name != templateName) return nullptr;
  auto* joint = new CNodePhysicsJoint;
  joint->attach(model.joint, node1, node2);
  if (CNode* visual = createVisual(model.textureId, model.visualNodeName, model.visualTag)) joint->addChild(visual);
  joint->setColor(255.0f, 255.0f, 255.0f, 255.0f);
  return joint;
}

CNodePhysics* CNodePhysicsReader::buildSimpleEntity(const PhysicsModelDescription& model) {
  auto* node = new CNodePhysics;
  node->createBody(model.body);
  if (CNode* visual = createVisual(model.textureId, model.visualNodeName, model.visualTag)) node->addChild(visual);
  node->setColor(255.0f, 255.0f, 255.0f, 255.0f);
  return node;
}

CNodePhysicsBaseInterface* CNodePhysicsReader::buildComplexEntity(const EntityGroupDescription& group) {
  auto* container = new CNodePhysicsContainer;
  std::vector<CNodePhysics*> nodes;
  nodes.reserve(group.entities.size());
  for (const PlacedEntityDescription& placed : group.entities) {
    // A part without a model keeps its place empty.
    if (placed.model.name.empty()) {
      report("createEntity: complex entity \"%s\": part \"%s\" is not an entity model: it is left out",
             group.name.c_str(), placed.model.name.c_str());
      nodes.push_back(nullptr);
      continue;
    }
    CNodePhysics* node = buildSimpleEntity(placed.model);
    node->setPosition(placed.x, placed.y, 0.0f);
    container->addChild(node);
    nodes.push_back(node);
  }
  for (const PhysicsModelDescription& joint : group.joints) {
    const auto count = static_cast<int>(nodes.size());
    const int i1 = joint.joint.entity1;
    const int i2 = joint.joint.entity2;
    if (i1 < 0 || i2 < 0 || i1 >= count || i2 >= count || nodes[static_cast<std::size_t>(i1)] == nullptr ||
        nodes[static_cast<std::size_t>(i2)] == nullptr) {
      report("createEntity: complex entity \"%s\": joint \"%s\" joins a part that is not there: it is left out",
             group.name.c_str(), joint.name.c_str());
      continue;
    }
    CNodePhysicsJoint* node =
        createJoint(joint.name, nodes[static_cast<std::size_t>(i1)], nodes[static_cast<std::size_t>(i2)]);
    if (node == nullptr) continue;
    node->setColor(255.0f, 255.0f, 255.0f, 255.0f);
    container->addChild(node);
  }
  return container;
}

CNodePhysicsBaseInterface* CNodePhysicsReader::createEntity(const std::string& name) {
  if (hasEntityModel(name)) {
    const PhysicsModelDescription model = getEntity(name);
    if (model.name == name) return buildSimpleEntity(model);
  }
  if (hasComplexEntity(name)) {
    const EntityGroupDescription group = getComplexEntity(name);
    if (group.name == name) return buildComplexEntity(group);
  }
  if (!hasEntityModel(name) && !hasComplexEntity(name)) {
    report("createEntity: no entity or complex entity named \"%s\"", name.c_str());
  }
  return nullptr;
}
