// Helpers of the command's tests: temporary folders, meshes built in code,
// and runs of the built command through pipes or a pseudo-terminal.
#pragma once

#include "MeshData.h"
#include "MeshWriters.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <filesystem>
#include <fstream>
#include <poll.h>
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
        std::filesystem::create_directories(std::filesystem::path(File(name)).parent_path());
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

using Corners = std::vector<std::array<uint32_t, 3>>;

inline Corners CornersOf(const MeshData& mesh)
{
    Corners out;
    for (const TRIANGLE& t : mesh.triangles) {
        out.push_back({t.a, t.b, t.c});
    }
    return out;
}

// The "category.Quantity" names whose verdict in a check document is "fail".
inline std::set<std::string> Failing(const nlohmann::json& doc)
{
    std::set<std::string> failed;
    for (const char* category : {"points", "edges", "triangles", "mesh"}) {
        for (auto it = doc[category].begin(); it != doc[category].end(); ++it) {
            if (it.value()["verdict"] == "fail") {
                failed.insert(std::string(category) + "." + it.key());
            }
        }
    }
    return failed;
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
    int exitStatus = -1;  // -1 when the command did not exit normally
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

// Runs the built command with `args`, its output and error through pipes,
// or both on one pseudo-terminal, or its output on the descriptor `outFd`
// when one is given (its error still through a pipe).
inline CommandResult RunCommand(const std::vector<std::string>& args, bool onTerminal = false, int outFd = -1)
{
    std::vector<std::string> storage{MESHAUDIT_COMMAND};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    CommandResult result;
    int out[2], err[2], master = -1;
    const pid_t pid = onTerminal ? ::forkpty(&master, nullptr, nullptr, nullptr)
                                 : (::pipe(out), ::pipe(err), ::fork());
    if (pid == 0) {
        if (onTerminal) {
            ::unsetenv("NO_COLOR");
        } else {
            ::dup2(outFd >= 0 ? outFd : out[1], 1);
            ::dup2(err[1], 2);
            ::close(out[0]), ::close(out[1]), ::close(err[0]), ::close(err[1]);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (!onTerminal) {
        ::close(out[1]), ::close(err[1]);
    }
    std::vector<std::pair<int, std::string*>> sources = {{onTerminal ? master : out[0], &result.out}};
    if (!onTerminal) {
        sources.push_back({err[0], &result.err});
    }
    while (!sources.empty()) {
        std::vector<pollfd> polls;
        for (auto& source : sources) {
            polls.push_back(pollfd{source.first, POLLIN, 0});
        }
        ::poll(polls.data(), polls.size(), -1);
        for (size_t i = polls.size(); i-- > 0;) {
            char chunk[4096];
            const ssize_t got = polls[i].revents != 0 ? ::read(sources[i].first, chunk, sizeof chunk) : -2;
            if (got > 0) {
                sources[i].second->append(chunk, static_cast<size_t>(got));
            } else if (got == 0 || (got == -1 && errno != EINTR)) {  // a closed terminal reports EIO
                ::close(sources[i].first);
                sources.erase(sources.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

}  // namespace meshaudit::cli::testing
