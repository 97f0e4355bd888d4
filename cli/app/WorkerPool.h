// Runs jobs in worker processes, a few at a time, and collects what each
// job's worker writes back through a pipe. The library keeps process-wide
// state and must not be called from two threads, so the command's
// parallelism is by process; a worker that crashes takes only the job in
// hand with it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace meshaudit::cli {

struct WorkerResult {
    // True when the job's worker answered; `bytes` then holds what the job
    // returned.
    bool completed = false;
    std::string bytes;
    // Otherwise, what happened: "killed by signal 11 (Segmentation fault)",
    // "exited with status 3", "could not start a worker: ...".
    std::string failure;
};

// Runs `job(i)` for every i in [0, count) in at most `jobs` worker processes
// (at least one), each running one job after another and sending back the
// string `job` returns; a worker that dies fails the job in hand, and a new
// one takes the jobs left. A job that throws ends its worker with status 70.
// `done(i, result)` is called in this process, in order of i, as soon as job
// i and every job before it have finished.
void RunInWorkers(size_t count, unsigned jobs, const std::function<std::string(size_t)>& job,
                  const std::function<void(size_t, WorkerResult&&)>& done);

}  // namespace meshaudit::cli
