#include "WorkerPool.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <cstring>
#include <map>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace meshaudit::cli {

namespace {

struct Running {
    size_t index;
    pid_t pid;
    int fd;
    std::string bytes;
};

// Writes all of `bytes` to `fd`; false when the pipe broke.
bool WriteAll(int fd, const std::string& bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t put = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        written += static_cast<size_t>(put);
    }
    return true;
}

[[noreturn]] void RunChild(int fd, size_t index, const std::function<std::string(size_t)>& job)
{
    // _exit everywhere: the child must not flush stdio buffers it copied
    // from the parent, nor run the parent's exit handlers.
    std::string bytes;
    try {
        bytes = job(index);
    } catch (...) {
        ::_exit(70);
    }
    ::_exit(WriteAll(fd, bytes) ? 0 : 71);
}

WorkerResult Finish(Running& worker)
{
    WorkerResult result;
    int status = 0;
    while (::waitpid(worker.pid, &status, 0) < 0) {
        if (errno != EINTR) {
            result.failure = std::string("lost the worker: ") + std::strerror(errno);
            return result;
        }
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        result.completed = true;
        result.bytes = std::move(worker.bytes);
    } else if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = ::strsignal(signal);
        result.failure = "killed by signal " + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "");
    } else {
        result.failure = "exited with status " + std::to_string(WEXITSTATUS(status));
    }
    return result;
}

}  // namespace

void RunInWorkers(size_t count, unsigned jobs, const std::function<std::string(size_t)>& job,
                  const std::function<void(size_t, WorkerResult&&)>& done)
{
    if (jobs == 0) {
        jobs = 1;
    }
    std::vector<Running> running;
    std::map<size_t, WorkerResult> finished;
    size_t next = 0;
    size_t reported = 0;
    auto report = [&]() {
        for (auto it = finished.find(reported); it != finished.end(); it = finished.find(reported)) {
            done(reported, std::move(it->second));
            finished.erase(it);
            ++reported;
        }
    };
    // Output already buffered would otherwise be copied into every child.
    std::fflush(nullptr);
    while (reported < count) {
        while (next < count && running.size() < jobs) {
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC) != 0) {
                finished[next++].failure = std::string("could not start a worker: ") + std::strerror(errno);
                continue;
            }
            const pid_t pid = ::fork();
            if (pid < 0) {
                finished[next++].failure = std::string("could not start a worker: ") + std::strerror(errno);
                ::close(fds[0]);
                ::close(fds[1]);
                continue;
            }
            if (pid == 0) {
                ::close(fds[0]);
                for (const Running& other : running) {
                    ::close(other.fd);
                }
                RunChild(fds[1], next, job);
            }
            ::close(fds[1]);
            running.push_back(Running{next++, pid, fds[0], {}});
        }
        report();
        if (running.empty()) {
            continue;
        }
        std::vector<pollfd> polls;
        for (const Running& worker : running) {
            polls.push_back(pollfd{worker.fd, POLLIN, 0});
        }
        if (::poll(polls.data(), polls.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Without poll, read the first worker to its end; the others wait.
            polls.assign(1, pollfd{running.front().fd, POLLIN, POLLIN});
        }
        for (size_t i = polls.size(); i-- > 0;) {
            if (polls[i].revents == 0) {
                continue;
            }
            Running& worker = running[i];
            char chunk[1 << 14];
            ssize_t got = ::read(worker.fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got > 0) {
                worker.bytes.append(chunk, static_cast<size_t>(got));
                continue;
            }
            // End of the pipe (or a broken one): the child is done.
            ::close(worker.fd);
            finished[worker.index] = Finish(worker);
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
        }
        report();
    }
}

}  // namespace meshaudit::cli
