#include "WorkerPool.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace meshaudit::cli {

namespace {

// A worker process serves job after job: starting a process costs more than
// checking a small file (a fork and an exit per file took three quarters of
// the time on meshes of a few thousand triangles), so each worker is
// started once and sent job numbers through `tasks`; it answers each with
// an 8-byte length and the job's bytes through `results`, and exits when
// `tasks` is closed.
struct Worker {
    pid_t pid = -1;
    int tasks = -1;    // this process writes job numbers
    int results = -1;  // this process reads answers
    bool busy = false;
    size_t index = 0;  // the job in hand while busy
    std::string buffer;
};

// Writes all of `size` bytes to `fd`; false when the pipe broke.
bool WriteAll(int fd, const char* data, size_t size)
{
    size_t written = 0;
    while (written < size) {
        ssize_t put = ::write(fd, data + written, size - written);
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

// Reads exactly `size` bytes; false at the end of the pipe or on an error.
bool ReadAll(int fd, char* data, size_t size)
{
    size_t got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        got += static_cast<size_t>(n);
    }
    return true;
}

[[noreturn]] void ServeJobs(int tasks, int results, const std::function<std::string(size_t)>& job)
{
    // _exit everywhere: the child must not flush stdio buffers it copied
    // from the parent, nor run the parent's exit handlers.
    uint64_t index = 0;
    while (ReadAll(tasks, reinterpret_cast<char*>(&index), sizeof index)) {
        std::string bytes;
        try {
            bytes = job(static_cast<size_t>(index));
        } catch (...) {
            ::_exit(70);
        }
        const uint64_t size = bytes.size();
        if (!WriteAll(results, reinterpret_cast<const char*>(&size), sizeof size) ||
            !WriteAll(results, bytes.data(), bytes.size())) {
            ::_exit(71);
        }
    }
    ::_exit(0);
}

// Starts a worker; false, with the reason in `failure`, when it cannot.
bool Start(std::vector<Worker>& workers, const std::function<std::string(size_t)>& job, std::string& failure)
{
    int tasks[2];
    int results[2];
    if (::pipe2(tasks, O_CLOEXEC) != 0) {
        failure = std::string("could not start a worker: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(results, O_CLOEXEC) != 0) {
        failure = std::string("could not start a worker: ") + std::strerror(errno);
        ::close(tasks[0]);
        ::close(tasks[1]);
        return false;
    }
    // Output already buffered would otherwise be copied into the child.
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        failure = std::string("could not start a worker: ") + std::strerror(errno);
        for (int fd : {tasks[0], tasks[1], results[0], results[1]}) {
            ::close(fd);
        }
        return false;
    }
    if (pid == 0) {
        ::close(tasks[1]);
        ::close(results[0]);
        // Another worker's task pipe held open here would never let it see
        // its end.
        for (const Worker& other : workers) {
            ::close(other.tasks);
            ::close(other.results);
        }
        ServeJobs(tasks[0], results[1], job);
    }
    ::close(tasks[0]);
    ::close(results[1]);
    Worker worker;
    worker.pid = pid;
    worker.tasks = tasks[1];
    worker.results = results[0];
    workers.push_back(std::move(worker));
    return true;
}

// How a worker ended, for the job it had in hand.
std::string Reap(const Worker& worker)
{
    int status = 0;
    while (::waitpid(worker.pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return std::string("lost the worker: ") + std::strerror(errno);
        }
    }
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = ::strsignal(signal);
        return "killed by signal " + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "");
    }
    return "exited with status " + std::to_string(WEXITSTATUS(status));
}

// Ends the job in hand once its whole answer is in the worker's buffer.
void TakeAnswer(Worker& worker, std::map<size_t, WorkerResult>& finished)
{
    uint64_t size = 0;
    if (!worker.busy || worker.buffer.size() < sizeof size) {
        return;
    }
    std::memcpy(&size, worker.buffer.data(), sizeof size);
    if (worker.buffer.size() - sizeof size < size) {
        return;
    }
    WorkerResult& result = finished[worker.index];
    result.completed = true;
    result.bytes = worker.buffer.substr(sizeof size, static_cast<size_t>(size));
    worker.buffer.erase(0, sizeof size + static_cast<size_t>(size));
    worker.busy = false;
}

}  // namespace

void RunInWorkers(size_t count, unsigned jobs, const std::function<std::string(size_t)>& job,
                  const std::function<void(size_t, WorkerResult&&)>& done)
{
    if (jobs == 0) {
        jobs = 1;
    }
    std::vector<Worker> workers;
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
    while (reported < count) {
        // As many workers as jobs are left to hand out, up to `jobs`; a job
        // that no worker can be started for fails with the reason.
        size_t idle = 0;
        for (const Worker& worker : workers) {
            idle += worker.busy ? 0 : 1;
        }
        while (next < count && workers.size() < jobs && idle < count - next) {
            std::string failure;
            if (Start(workers, job, failure)) {
                ++idle;
            } else if (workers.empty()) {
                finished[next++].failure = failure;
            } else {
                break;
            }
        }
        for (Worker& worker : workers) {
            if (worker.busy || worker.tasks < 0) {
                continue;
            }
            if (next == count) {
                ::close(worker.tasks);  // no more jobs: the worker ends
                worker.tasks = -1;
                continue;
            }
            const uint64_t index = next;
            if (WriteAll(worker.tasks, reinterpret_cast<const char*>(&index), sizeof index)) {
                worker.busy = true;
                worker.index = next++;
            } else {
                ::close(worker.tasks);  // it died while idle; its end shows below
                worker.tasks = -1;
            }
        }
        report();
        if (workers.empty()) {
            continue;
        }
        std::vector<pollfd> polls;
        for (const Worker& worker : workers) {
            polls.push_back(pollfd{worker.results, POLLIN, 0});
        }
        if (::poll(polls.data(), polls.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Without poll, read the first worker; the others wait.
            polls.assign(1, pollfd{workers.front().results, POLLIN, POLLIN});
        }
        for (size_t i = polls.size(); i-- > 0;) {
            if (polls[i].revents == 0) {
                continue;
            }
            Worker& worker = workers[i];
            char chunk[1 << 14];
            ssize_t got = ::read(worker.results, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got > 0) {
                worker.buffer.append(chunk, static_cast<size_t>(got));
                TakeAnswer(worker, finished);
                continue;
            }
            // End of the pipe (or a broken one): the worker is gone, and
            // with it the job in hand, if any.
            ::close(worker.results);
            if (worker.tasks >= 0) {
                ::close(worker.tasks);
            }
            const std::string how = Reap(worker);
            if (worker.busy) {
                finished[worker.index].failure = how;
            }
            workers.erase(workers.begin() + static_cast<std::ptrdiff_t>(i));
        }
        report();
    }
    for (Worker& worker : workers) {  // every job reported: nothing is in hand
        if (worker.tasks >= 0) {
            ::close(worker.tasks);
        }
        ::close(worker.results);
        Reap(worker);
    }
}

}  // namespace meshaudit::cli
