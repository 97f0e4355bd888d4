// Runs jobs in child processes, a few at a time, and collects what each
// child writes back through a pipe. The library keeps process-wide state
// and must not be called from two threads, so the command's parallelism is
// by process; a child that crashes takes only its own job with it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace meshaudit::cli {

struct WorkerResult {
    // True when the child exited with status 0; `bytes` then holds what it
    // wrote.
    bool completed = false;
    std::string bytes;
    // Otherwise, what happened: "killed by signal 11 (Segmentation fault)",
    // "exited with status 3", "could not start a worker: ...".
    std::string failure;
};

// Runs `job(i)` for every i in [0, count) in a child process of its own, at
// most `jobs` children at a time (at least one). The child sends the string
// `job` returns and exits. `done(i, result)` is called in this process, in
// order of i, as soon as job i and every job before it have finished.
void RunInWorkers(size_t count, unsigned jobs, const std::function<std::string(size_t)>& job,
                  const std::function<void(size_t, WorkerResult&&)>& done);

}  // namespace meshaudit::cli
