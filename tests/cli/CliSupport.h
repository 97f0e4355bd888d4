// Helpers of the command's tests: temporary folders, meshes built in code,
// and runs of the built command through pipes or a pseudo-terminal.
#pragma once

#include "MeshData.h"
#include "MeshWriters.h"
#include "Quantities.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <pty.h>
#include <sstream>
#include <sys/wait.h>

namespace meshaudit::cli::testing {

// A fresh folder, removed with its contents when the object goes.
struct TempDir {
    std::string path;
    TempDir()
    {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/meshaudit-cli-XXXXXX";
        path = ::mkdtemp(pattern.data()) != nullptr ? pattern : throw std::runtime_error("mkdtemp");
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(File(name), std::ios::binary) << bytes;
        return File(name);
    }
};

inline std::string ReadAll(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

inline MeshData ToMeshData(const meshaudit::testing::TestMesh& mesh)
{
    MeshData data;
    std::tie(data.points, data.triangles) = std::tie(mesh.points, mesh.triangles);
    return data;
}

// Writes `mesh`, its coordinates times `scale`, as the file `name` in `dir`
// (its format from the extension); returns the file's path.
inline std::string WriteMesh(const TempDir& dir, const std::string& name, meshaudit::testing::TestMesh mesh,
                             double scale = 1.0)
{
    for (T3DVECF& p : mesh.points) {
        p = {p.x * scale, p.y * scale, p.z * scale};
    }
    std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
    WriteMeshFile(dir.File(name), ToMeshData(mesh), {});
    return dir.File(name);
}

// The "category.Quantity" names whose verdict in a check document is "fail".
inline std::set<std::string> Failing(const nlohmann::json& doc)
{
    std::set<std::string> failed;
    for (const Category c : kCategories) {
        const char* category = CategoryKey(c);
        if (!doc.contains(category)) {
            continue;
        }
        for (auto it = doc[category].begin(); it != doc[category].end(); ++it) {
            if (it.value()["verdict"] == "fail") {
                failed.insert(std::string(category) + "." + it.key());
            }
        }
    }
    return failed;
}

// Expects each "category.Quantity" of a check document to hold its value.
inline void ExpectValues(const nlohmann::json& doc, const std::vector<std::pair<std::string, nlohmann::json>>& expected)
{
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(doc[name.substr(0, name.find('.'))][name.substr(name.find('.') + 1)]["value"], value) << name;
    }
}

inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

struct CommandResult {
    int exitStatus = -1;  // as the shell says it: 128 + N when killed by signal N
    std::string out;      // standard output (and error, on a terminal)
    std::string err;
    std::vector<nlohmann::json> Json() const
    {
        std::vector<nlohmann::json> documents;
        for (const std::string& line : Lines(out)) {
            documents.push_back(nlohmann::json::parse(line));
        }
        return documents;
    }
};

// Runs the built command with `args`, its output and error into temporary
// files (which, unlike pipes, never fill up and block it), or both on one
// pseudo-terminal, or its output on the descriptor `outFd` when one is given.
inline CommandResult RunCommand(const std::vector<std::string>& args, bool onTerminal = false, int outFd = -1)
{
    std::vector<std::string> storage{MESHAUDIT_COMMAND};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    int master = -1;
    const pid_t pid = onTerminal ? ::forkpty(&master, nullptr, nullptr, nullptr) : ::fork();
    if (pid == 0) {
        if (onTerminal) {
            ::unsetenv("NO_COLOR");
        } else {
            ::dup2(outFd >= 0 ? outFd : ::fileno(out), 1);
            ::dup2(::fileno(err), 2);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    CommandResult result;
    char chunk[4096];
    ssize_t got = 0;
    // The terminal must be read while the command runs; once it has closed
    // its side, reads fail with EIO.
    while (onTerminal && ((got = ::read(master, chunk, sizeof chunk)) > 0 || (got < 0 && errno == EINTR))) {
        result.out.append(chunk, static_cast<size_t>(std::max<ssize_t>(got, 0)));
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
    for (auto [file, text] : {std::pair{out, &result.out}, {err, &result.err}}) {
        std::rewind(file);
        for (size_t n = 0; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
            text->append(chunk, n);
        }
        std::fclose(file);
    }
    if (master >= 0) {
        ::close(master);
    }
    return result;
}

// The one JSON document of `check --json -q ARGS...`, with its exit status.
inline std::pair<int, nlohmann::json> CheckJson(std::vector<std::string> args)
{
    args.insert(args.begin(), {"check", "--json", "-q"});
    const CommandResult r = RunCommand(args);
    EXPECT_EQ(r.err, "");
    const std::vector<nlohmann::json> documents = r.Json();
    EXPECT_EQ(documents.size(), 1u) << r.out;
    return {r.exitStatus, documents.empty() ? nlohmann::json() : documents.front()};
}

// A 3MF model part around `resources` (and a build of `items`), and a
// tetrahedron object of id 1 in it.
inline std::string Model(const std::string& resources, const std::string& items = "")
{
    return "<?xml version=\"1.0\"?>\n<model unit=\"millimeter\" xmlns=\"http://schemas.microsoft.com/3dmanufacturing/"
           "core/2015/02\">\n<resources>\n" + resources + "</resources>\n" +
           (items.empty() ? "" : "<build>" + items + "</build>\n") + "</model>\n";
}

inline const std::string kTetraObject =
    "<object id=\"1\" name=\"tetra\"><mesh><vertices><vertex x=\"0\" y=\"0\" z=\"0\"/><vertex x=\"1\" y=\"0\" "
    "z=\"0\"/><vertex x=\"0\" y=\"1\" z=\"0\"/><vertex x=\"0\" y=\"0\" z=\"1\"/></vertices>\n<triangles><triangle "
    "v1=\"0\" v2=\"2\" v3=\"1\"/><triangle v1=\"0\" v2=\"1\" v3=\"3\"/><triangle v1=\"0\" v2=\"3\" v3=\"2\"/>"
    "<triangle v1=\"1\" v2=\"2\" v3=\"3\"/></triangles></mesh></object>\n";

}  // namespace meshaudit::cli::testing
