#include "BuildItem.h"
#include "LoadError.h"
#include "MeshBuilder.h"
#include "Readers.h"
#include "TextScan.h"
#include "ThreeMf.h"
#include "ZipPackage.h"
#include "geometry/Predicates.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

namespace meshaudit::cli {

namespace {

// A model part is read whole into memory; beyond this it is refused rather
// than trusted to the size its archive entry claims.
constexpr uint64_t kMostPartBytes = uint64_t{1} << 30;
// Components may nest and repeat objects: the flattened mesh is counted
// before it is built, and refused beyond these.
constexpr uint64_t kMostFlatTriangles = uint64_t{1} << 26;
// Points repeat with their objects too; the build's items, all placed at
// once, are held to both limits together.
constexpr uint64_t kMostFlatPoints = uint64_t{1} << 26;
constexpr int kDeepestComponents = 32;

// A name without its namespace prefix.
std::string_view LocalName(std::string_view name)
{
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}
std::string_view LocalName(const pugi::xml_node& node)
{
    return LocalName(std::string_view(node.name()));
}

// An XML part with its name, so that errors can say "PART: line N".
class Part {
public:
    Part(std::string name, std::string bytes, const std::string& file)
        : name_(std::move(name)), bytes_(std::move(bytes)), file_(file)
    {
        const pugi::xml_parse_result result = document_.load_buffer(bytes_.data(), bytes_.size());
        if (!result) {
            Fail(result.offset, std::string("malformed XML: ") + result.description());
        }
    }
    pugi::xml_node Root() const { return document_.document_element(); }

    [[noreturn]] void Fail(ptrdiff_t offset, const std::string& message) const
    {
        const size_t end = std::min(bytes_.size(), static_cast<size_t>(std::max<ptrdiff_t>(offset, 0)));
        const auto line = 1 + std::count(bytes_.begin(), bytes_.begin() + static_cast<ptrdiff_t>(end), '\n');
        throw LoadError(file_, name_ + ": line " + std::to_string(line) + ": " + message);
    }
    [[noreturn]] void Fail(const pugi::xml_node& node, const std::string& message) const
    {
        Fail(node.offset_debug(), message);
    }

    double Number(const pugi::xml_node& node, const char* attribute) const
    {
        const pugi::xml_attribute value = node.attribute(attribute);
        if (!value) {
            Fail(node, std::string("<") + node.name() + "> lacks '" + attribute + "'");
        }
        double number = 0.0;
        const NumberStatus status = ParseDouble(value.value(), number);
        if (status != NumberStatus::Ok) {
            Fail(node, std::string(attribute) + ": " + DescribeBadNumber(value.value(), status, false));
        }
        return number;
    }
    int64_t Integer(const pugi::xml_node& node, const char* attribute) const
    {
        const pugi::xml_attribute value = node.attribute(attribute);
        if (!value) {
            Fail(node, std::string("<") + node.name() + "> lacks '" + attribute + "'");
        }
        int64_t number = 0;
        const NumberStatus status = ParseInteger(value.value(), number);
        if (status != NumberStatus::Ok) {
            Fail(node, std::string(attribute) + ": " + DescribeBadNumber(value.value(), status, true));
        }
        return number;
    }

private:
    std::string name_;
    std::string bytes_;
    const std::string& file_;
    pugi::xml_document document_;
};

using Transform = ThreeMfTransform;
constexpr Transform kIdentity = kIdentityTransform;

// First `a`, then `b`.
Transform Then(const Transform& a, const Transform& b)
{
    Transform r{};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 3; ++col) {
            double sum = row == 3 ? b[9 + col] : 0.0;
            for (int k = 0; k < 3; ++k) {
                sum += a[3 * row + k] * b[3 * k + col];
            }
            r[3 * row + col] = sum;
        }
    }
    return r;
}

struct Component {
    int64_t object;
    Transform transform;
    pugi::xml_node node;
};

struct Object {
    int64_t id = 0;
    std::string name;
    pugi::xml_node node;
    std::vector<T3DVECF> points;
    std::vector<std::array<int64_t, 3>> triangles;
    std::vector<Component> components;
    bool referenced = false;
    // Flattened triangle count, saturated; -1 while being counted.
    int64_t flat = -2;
    // Flattened point count, saturated alike.
    int64_t flatPoints = 0;
    // The longest chain of components below the object.
    int height = 0;
};

class Model {
public:
    explicit Model(const Part& part) : part_(part) {}

    void Read()
    {
        const pugi::xml_node root = part_.Root();
        if (LocalName(root) != "model") {
            part_.Fail(root, "the root element is <" + std::string(root.name()) + ">, not <model>");
        }
        unit_ = root.attribute("unit").as_string("millimeter");
        for (pugi::xml_node resources : root.children()) {
            if (LocalName(resources) != "resources") {
                continue;
            }
            for (pugi::xml_node node : resources.children()) {
                if (LocalName(node) == "object") {
                    ReadObject(node);
                }
            }
        }
        for (pugi::xml_node build : root.children()) {
            if (LocalName(build) != "build") {
                continue;
            }
            for (pugi::xml_node item : build.children()) {
                if (LocalName(item) == "item") {
                    items_.push_back(item);
                }
            }
        }
        for (Object& object : objects_) {
            for (Component& component : object.components) {
                const auto found = byId_.find(component.object);
                if (found == byId_.end()) {
                    part_.Fail(component.node, "a component refers to object " + std::to_string(component.object) +
                                                   ", which the model does not define");
                }
                objects_[found->second].referenced = true;
            }
        }
    }

    std::vector<MeshData> Flatten(const std::string& file)
    {
        // Every object is counted, so that a cycle is found even where no
        // object outside it uses it.
        for (size_t i = 0; i < objects_.size(); ++i) {
            Count(i);
        }
        std::vector<MeshData> meshes;
        for (size_t i = 0; i < objects_.size(); ++i) {
            Object& object = objects_[i];
            if (object.referenced) {
                continue;
            }
            if (Count(i) >= static_cast<int64_t>(kMostFlatTriangles)) {
                part_.Fail(object.node, "object " + std::to_string(object.id) + " flattens to more than " +
                                            std::to_string(kMostFlatTriangles) + " triangles");
            }
            MeshBuilder builder(file, 0);
            Emit(i, kIdentity, true, builder);
            if (builder.TriangleCount() == 0) {
                part_.Fail(object.node, "object " + std::to_string(object.id) + " has no triangles");
            }
            if (!object.components.empty()) {
                builder.AddNote("object " + std::to_string(object.id) + " is made of " +
                                std::to_string(object.components.size()) +
                                " components, flattened with their transforms");
            }
            if (unit_ != "millimeter") {
                builder.AddNote("the model's unit is " + unit_ + ": coordinates are read as they stand");
            }
            MeshData mesh = builder.Finish("3MF");
            mesh.objectId = std::to_string(object.id);
            mesh.objectName = object.name;
            meshes.push_back(std::move(mesh));
        }
        if (meshes.empty()) {
            part_.Fail(part_.Root(), "the model has no objects");
        }
        return meshes;
    }

    // The build's items, each object placed by the item's transform after
    // its components' (as Emit composes them). Everything is checked and
    // counted before any mesh is built.
    std::vector<BuildItem> Place(const std::string& file)
    {
        for (size_t i = 0; i < objects_.size(); ++i) {
            Count(i);
        }
        struct Placement {
            size_t object;
            Transform transform;
            bool mirrored;
        };
        std::vector<Placement> placements;
        uint64_t triangles = 0, points = 0;
        for (size_t n = 0; n < items_.size(); ++n) {
            const pugi::xml_node node = items_[n];
            const std::string item = "item " + std::to_string(n);
            for (pugi::xml_attribute attribute : node.attributes()) {
                // The production extension's p:path names another part.
                if (LocalName(std::string_view(attribute.name())) == "path") {
                    part_.Fail(node, item + " places an object of another model part ('" +
                                         std::string(attribute.value()) + "'), which the reader does not read");
                }
            }
            const int64_t id = part_.Integer(node, "objectid");
            const auto found = byId_.find(id);
            if (found == byId_.end()) {
                part_.Fail(node, item + " places object " + std::to_string(id) + ", which the model does not define");
            }
            const size_t object = found->second;
            if (Count(object) == 0) {
                part_.Fail(node, item + " places object " + std::to_string(id) +
                                     ", which has no mesh: no triangles of its own or in its components");
            }
            const Transform t = ReadTransform(node);
            if (!std::all_of(t.begin(), t.end(), [](double v) { return std::isfinite(v); })) {
                part_.Fail(node, item + ": the transform holds a value that is not finite");
            }
            // The determinant of the linear part, exact in sign: Orient3D
            // with the origin as its fourth point is the determinant of its
            // first three rows.
            const double origin[3] = {0, 0, 0};
            const int8_t sign = Orient3DSign(&t[0], &t[3], &t[6], origin);
            if (sign == 0) {
                part_.Fail(node, item + ": the transform is singular (its determinant is 0, or too large for "
                                        "doubles): it would flatten the object");
            }
            triangles += static_cast<uint64_t>(Count(object));
            points += static_cast<uint64_t>(objects_[object].flatPoints);
            if (triangles > kMostFlatTriangles || points > kMostFlatPoints) {
                part_.Fail(node, "the build places more than " + std::to_string(kMostFlatTriangles) +
                                     " triangles or " + std::to_string(kMostFlatPoints) + " points");
            }
            placements.push_back(Placement{object, t, sign < 0});
        }
        std::vector<BuildItem> items;
        items.reserve(placements.size());
        for (const Placement& placement : placements) {
            const Object& object = objects_[placement.object];
            BuildItem item;
            item.item = static_cast<uint32_t>(items.size());
            item.objectId = std::to_string(object.id);
            item.objectName = object.name;
            item.transform = placement.transform;
            item.mirrored = placement.mirrored;
            MeshBuilder builder(file, 0);
            Emit(placement.object, placement.transform, placement.transform == kIdentity, builder);
            if (placement.mirrored) {
                builder.AddNote("item " + std::to_string(item.item) + " mirrors object " + item.objectId +
                                ": its triangles keep their corners' order, so that they face the other way round");
            }
            if (unit_ != "millimeter") {
                builder.AddNote("the model's unit is " + unit_ + ": coordinates are read as they stand");
            }
            item.mesh = builder.Finish("3MF");
            item.mesh.objectId = item.objectId;
            item.mesh.objectName = item.objectName;
            items.push_back(std::move(item));
        }
        return items;
    }

private:
    void ReadObject(const pugi::xml_node& node)
    {
        Object object;
        object.node = node;
        object.id = part_.Integer(node, "id");
        object.name = node.attribute("name").as_string();
        if (!byId_.emplace(object.id, objects_.size()).second) {
            part_.Fail(node, "a second object with id " + std::to_string(object.id));
        }
        for (pugi::xml_node part : node.children()) {
            if (LocalName(part) == "mesh") {
                ReadMesh(part, object);
            } else if (LocalName(part) == "components") {
                for (pugi::xml_node c : part.children()) {
                    if (LocalName(c) == "component") {
                        object.components.push_back(Component{part_.Integer(c, "objectid"), ReadTransform(c), c});
                    }
                }
            }
        }
        objects_.push_back(std::move(object));
    }

    void ReadMesh(const pugi::xml_node& mesh, Object& object)
    {
        for (pugi::xml_node list : mesh.children()) {
            if (LocalName(list) == "vertices") {
                for (pugi::xml_node v : list.children()) {
                    if (LocalName(v) == "vertex") {
                        object.points.push_back(T3DVECF{part_.Number(v, "x"), part_.Number(v, "y"), part_.Number(v, "z")});
                    }
                }
            } else if (LocalName(list) == "triangles") {
                for (pugi::xml_node t : list.children()) {
                    if (LocalName(t) != "triangle") {
                        continue;
                    }
                    std::array<int64_t, 3> corners = {part_.Integer(t, "v1"), part_.Integer(t, "v2"),
                                                      part_.Integer(t, "v3")};
                    for (int64_t c : corners) {
                        if (c < 0 || static_cast<uint64_t>(c) >= object.points.size()) {
                            part_.Fail(t, "a triangle refers to vertex " + std::to_string(c) + ", but object " +
                                              std::to_string(object.id) + " has " +
                                              std::to_string(object.points.size()) + " vertices");
                        }
                    }
                    object.triangles.push_back(corners);
                }
            }
        }
    }

    Transform ReadTransform(const pugi::xml_node& node) const
    {
        const pugi::xml_attribute text = node.attribute("transform");
        if (!text) {
            return kIdentity;
        }
        Transform t{};
        Tokens tokens(text.value());
        for (double& value : t) {
            std::string_view token;
            if (!tokens.Next(token)) {
                part_.Fail(node, "a transform needs 12 numbers");
            }
            const NumberStatus status = ParseDouble(token, value);
            if (status != NumberStatus::Ok) {
                part_.Fail(node, "transform: " + DescribeBadNumber(token, status, false));
            }
        }
        if (!tokens.AtEnd()) {
            part_.Fail(node, "a transform needs 12 numbers");
        }
        return t;
    }

    // The flattened triangle count of object i, saturated at the limit;
    // refuses cycles and chains of components deeper than the limit, so
    // that Emit's recursion is bounded.
    int64_t Count(size_t i)
    {
        Object& object = objects_[i];
        if (object.flat == -1) {
            part_.Fail(object.node, "components of object " + std::to_string(object.id) + " refer back to it");
        }
        if (object.flat >= 0) {
            return object.flat;
        }
        object.flat = -1;
        const int64_t limit = static_cast<int64_t>(kMostFlatTriangles);
        const int64_t pointLimit = static_cast<int64_t>(kMostFlatPoints);
        int64_t total = static_cast<int64_t>(std::min<uint64_t>(object.triangles.size(), kMostFlatTriangles));
        int64_t points = static_cast<int64_t>(std::min<uint64_t>(object.points.size(), kMostFlatPoints));
        for (const Component& component : object.components) {
            const size_t child = byId_[component.object];
            total = std::min(limit, total + Count(child));
            points = std::min(pointLimit, points + objects_[child].flatPoints);
            object.height = std::max(object.height, objects_[child].height + 1);
        }
        object.flatPoints = points;
        if (object.height > kDeepestComponents) {
            part_.Fail(object.node, "components of object " + std::to_string(object.id) + " nest deeper than " +
                                        std::to_string(kDeepestComponents) + " levels");
        }
        object.flat = total;
        return total;
    }

    void Emit(size_t i, const Transform& t, bool identity, MeshBuilder& builder)
    {
        const Object& object = objects_[i];
        const int64_t base = static_cast<int64_t>(builder.PointCount());
        for (const T3DVECF& p : object.points) {
            if (identity) {
                builder.AddPoint(p.x, p.y, p.z);
            } else {
                builder.AddPoint(p.x * t[0] + p.y * t[3] + p.z * t[6] + t[9],
                                 p.x * t[1] + p.y * t[4] + p.z * t[7] + t[10],
                                 p.x * t[2] + p.y * t[5] + p.z * t[8] + t[11]);
            }
        }
        for (const std::array<int64_t, 3>& c : object.triangles) {
            const int64_t corners[3] = {base + c[0], base + c[1], base + c[2]};
            builder.AddFace(corners, 3, SourceLocation{});
        }
        for (const Component& component : object.components) {
            // An identity transform leaves coordinates as written (even -0.0).
            const bool same = identity && component.transform == kIdentity;
            Emit(byId_[component.object], Then(component.transform, t), same, builder);
        }
    }

    const Part& part_;
    std::string unit_;
    std::vector<Object> objects_;
    std::map<int64_t, size_t> byId_;
    // The build's <item> elements in document order.
    std::vector<pugi::xml_node> items_;
};

// The model part the package's relationships name, or the usual one.
std::string ModelPartName(const ZipReader& archive, const std::string& file)
{
    const std::optional<std::string> rels = archive.Read("_rels/.rels", kMostPartBytes);
    if (!rels) {
        return kThreeMfModelPart;
    }
    const Part part("_rels/.rels", *rels, file);
    for (pugi::xml_node r : part.Root().children()) {
        if (LocalName(r) == "Relationship" && std::string_view(r.attribute("Type").as_string()) == kThreeMfModelType) {
            std::string target = r.attribute("Target").as_string();
            if (!target.empty() && target.front() == '/') {
                target.erase(0, 1);
            }
            if (target.empty()) {
                part.Fail(r, "the model relationship has no target");
            }
            return target;
        }
    }
    part.Fail(part.Root(), "no relationship names a 3D model part");
}

// Calls `use(model)` on the package's model, read.
template <class Use>
auto WithModel(std::string_view bytes, const std::string& file, Use use)
{
    const ZipReader archive(bytes, file);
    const std::string name = ModelPartName(archive, file);
    std::optional<std::string> model = archive.Read(name, kMostPartBytes);
    if (!model) {
        throw LoadError(file, "the archive has no model part '" + name + "'");
    }
    const Part part(name, std::move(*model), file);
    Model reader(part);
    reader.Read();
    return use(reader);
}

}  // namespace

std::vector<MeshData> Read3mfObjects(std::string_view bytes, const std::string& file)
{
    return WithModel(bytes, file, [&file](Model& model) { return model.Flatten(file); });
}

std::vector<BuildItem> Read3mfBuildItems(std::string_view bytes, const std::string& file)
{
    return WithModel(bytes, file, [&file](Model& model) { return model.Place(file); });
}

ThreeMfPackage Read3mfPackage(std::string_view bytes, const std::string& file)
{
    return WithModel(bytes, file, [&file](Model& model) {
        ThreeMfPackage package;
        package.objects = model.Flatten(file);
        package.items = model.Place(file);
        return package;
    });
}

MeshData Read3mf(std::string_view bytes, const std::string& file)
{
    std::vector<MeshData> objects = Read3mfObjects(bytes, file);
    if (objects.size() == 1) {
        return std::move(objects.front());
    }
    // One mesh of all objects, each keeping its own points.
    MeshData all = std::move(objects.front());
    for (size_t i = 1; i < objects.size(); ++i) {
        const uint64_t base = all.points.size();
        if (base + objects[i].points.size() > UINT32_MAX) {
            throw LoadError(file, "too many points for the library in all objects together");
        }
        all.points.insert(all.points.end(), objects[i].points.begin(), objects[i].points.end());
        for (TRIANGLE t : objects[i].triangles) {
            all.triangles.push_back(TRIANGLE{static_cast<uint32_t>(t.a + base), static_cast<uint32_t>(t.b + base),
                                             static_cast<uint32_t>(t.c + base)});
        }
        all.notes.insert(all.notes.end(), objects[i].notes.begin(), objects[i].notes.end());
    }
    all.notes.push_back("the file's " + std::to_string(objects.size()) + " objects were read as one mesh");
    all.objectId.clear();
    all.objectName.clear();
    return all;
}

}  // namespace meshaudit::cli
