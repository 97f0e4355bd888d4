// cgal_union IN: the union of a file's closed shells by CGAL's corefinement,
// one shell after the other, as a user of that library would write it, for
// bench/union_vs_peer.sh. Prints one JSON line:
//   {"in", "ok", "seconds" (the unions alone), "shells", "triangles_out", "volume", "error"}
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/IO/polygon_soup_io.h>
#include <CGAL/Polygon_mesh_processing/connected_components.h>
#include <CGAL/Polygon_mesh_processing/corefinement.h>
#include <CGAL/Polygon_mesh_processing/measure.h>
#include <CGAL/Polygon_mesh_processing/orient_polygon_soup.h>
#include <CGAL/Polygon_mesh_processing/orientation.h>
#include <CGAL/Polygon_mesh_processing/polygon_soup_to_polygon_mesh.h>
#include <CGAL/Polygon_mesh_processing/repair_polygon_soup.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

typedef CGAL::Exact_predicates_inexact_constructions_kernel K;
typedef CGAL::Surface_mesh<K::Point_3> Mesh;
namespace PMP = CGAL::Polygon_mesh_processing;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: cgal_union IN\n");
        return 2;
    }
    const std::string in = argv[1];
    std::string error;
    bool ok = false;
    double seconds = 0.0, volume = 0.0;
    size_t shells = 0, triangles = 0;
    try {
        std::vector<K::Point_3> points;
        std::vector<std::vector<std::size_t>> polygons;
        if (!CGAL::IO::read_polygon_soup(in, points, polygons)) {
            throw std::runtime_error("cannot read");
        }
        PMP::repair_polygon_soup(points, polygons);
        PMP::orient_polygon_soup(points, polygons);
        Mesh all;
        PMP::polygon_soup_to_polygon_mesh(points, polygons, all);
        std::vector<Mesh> parts;
        PMP::split_connected_components(all, parts);
        shells = parts.size();
        for (Mesh& part : parts) {
            if (CGAL::is_closed(part) && !PMP::is_outward_oriented(part)) {
                PMP::reverse_face_orientations(part);
            }
        }
        const auto start = std::chrono::steady_clock::now();
        Mesh result = parts.empty() ? Mesh() : parts[0];
        ok = true;
        for (size_t i = 1; i < parts.size() && ok; ++i) {
            Mesh next;
            ok = PMP::corefine_and_compute_union(result, parts[i], next);
            result = std::move(next);
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!ok) {
            error = "corefine_and_compute_union failed";
        }
        triangles = num_faces(result);
        volume = CGAL::to_double(PMP::volume(result));
    } catch (const std::exception& e) {
        error = e.what();
        ok = false;
    }
    std::printf("{\"in\": \"%s\", \"ok\": %s, \"seconds\": %.3f, \"shells\": %zu, \"triangles_out\": %zu, "
                "\"volume\": %.17g, \"error\": \"%s\"}\n",
                in.c_str(), ok ? "true" : "false", seconds, shells, triangles, volume, error.c_str());
    return ok ? 0 : 1;
}
