#include "CliTestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace meshaudit::cli::testing {

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/meshaudit-cli-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed: " + std::string(std::strerror(errno)));
    }
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const
{
    return path_ + "/" + name;
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const
{
    const std::string path = File(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

MeshData ToMeshData(const meshaudit::testing::TestMesh& mesh)
{
    MeshData data;
    data.points = mesh.points;
    data.triangles = mesh.triangles;
    return data;
}

std::string CommandPath()
{
    return MESHAUDIT_COMMAND;
}

std::string SourceDir()
{
    return MESHAUDIT_SOURCE_DIR;
}

std::string SharedMeshesDir()
{
    return MESHAUDIT_SHARED_MESHES;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args, std::vector<std::string>& storage)
{
    storage.clear();
    storage.push_back(CommandPath());
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    return argv;
}

int Wait(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Reads every descriptor to its end, each into its string.
void Drain(std::vector<std::pair<int, std::string*>> sources)
{
    while (!sources.empty()) {
        std::vector<pollfd> polls;
        for (auto& [fd, text] : sources) {
            polls.push_back(pollfd{fd, POLLIN, 0});
        }
        if (::poll(polls.data(), polls.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        for (size_t i = polls.size(); i-- > 0;) {
            if (polls[i].revents == 0) {
                continue;
            }
            char chunk[4096];
            ssize_t got = ::read(sources[i].first, chunk, sizeof chunk);
            if (got > 0) {
                sources[i].second->append(chunk, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                // End of a pipe; a terminal whose other side closed reports EIO.
                ::close(sources[i].first);
                sources.erase(sources.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }
}

}  // namespace

CommandResult RunCommand(const std::vector<std::string>& args)
{
    std::vector<std::string> storage;
    std::vector<char*> argv = Argv(args, storage);
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::close(err[0]);
        ::close(err[1]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    CommandResult result;
    Drain({{out[0], &result.out}, {err[0], &result.err}});
    result.exitStatus = Wait(pid);
    return result;
}

CommandResult RunCommandOnTerminal(const std::vector<std::string>& args)
{
    std::vector<std::string> storage;
    std::vector<char*> argv = Argv(args, storage);
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) {
        throw std::runtime_error("forkpty failed");
    }
    if (pid == 0) {
        ::unsetenv("NO_COLOR");
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    CommandResult result;
    Drain({{master, &result.out}});
    result.exitStatus = Wait(pid);
    return result;
}

}  // namespace meshaudit::cli::testing
