// Helpers of the command's tests: temporary folders, meshes built in code as
// MeshData, and running the built command.
#pragma once

#include "MeshData.h"
#include "support/TestMeshes.h"

#include <string>
#include <vector>

namespace meshaudit::cli::testing {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path()/name.
    std::string File(const std::string& name) const;
    // Writes `bytes` to Path()/name and returns the path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

std::string ReadAll(const std::string& path);

MeshData ToMeshData(const meshaudit::testing::TestMesh& mesh);

struct CommandResult {
    int exitStatus = -1;  // -1 when the command did not exit normally
    std::string out;      // standard output (and error, under a terminal)
    std::string err;      // standard error
};

// Runs the built meshaudit command with `args`, its standard output and
// error captured through pipes (not terminals).
CommandResult RunCommand(const std::vector<std::string>& args);

// Runs it with standard output and error on one pseudo-terminal; everything
// it writes comes back in `out`.
CommandResult RunCommandOnTerminal(const std::vector<std::string>& args);

// The built command, and the folders of the sample and real meshes.
std::string CommandPath();
std::string SourceDir();
std::string SharedMeshesDir();

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

}  // namespace meshaudit::cli::testing
