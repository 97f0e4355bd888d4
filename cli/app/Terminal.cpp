#include "Terminal.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace meshaudit::cli {

bool ParseColourMode(const std::string& text, ColourMode& mode)
{
    if (text == "auto") {
        mode = ColourMode::Auto;
    } else if (text == "always") {
        mode = ColourMode::Always;
    } else if (text == "never") {
        mode = ColourMode::Never;
    } else {
        return false;
    }
    return true;
}

bool UseColour(ColourMode mode)
{
    switch (mode) {
    case ColourMode::Always:
        return true;
    case ColourMode::Never:
        return false;
    case ColourMode::Auto:
        break;
    }
    const char* noColour = std::getenv("NO_COLOR");
    return ::isatty(STDOUT_FILENO) == 1 && (noColour == nullptr || noColour[0] == '\0');
}

namespace {

// The error that made standard output fail. The stream keeps no errno; a
// full disk or a closed pipe fails again the same way, and that names the
// cause.
int StdoutError()
{
    errno = 0;
    return ::write(STDOUT_FILENO, "\n", 1) < 0 ? errno : 0;
}

// The command ignores SIGPIPE while it runs, so that writing a job to a
// worker that died fails with EPIPE instead of killing the command; a reader
// of standard output that went away is let end it as it ends `cat`.
[[noreturn]] void EndByBrokenPipe()
{
    std::signal(SIGPIPE, SIG_DFL);
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    sigprocmask(SIG_UNBLOCK, &pipe, nullptr);
    std::raise(SIGPIPE);
    std::_Exit(128 + SIGPIPE);  // only if the signal could not end it
}

}  // namespace

void EndIfReaderGone()
{
    if ((!std::cout || std::ferror(stdout)) && StdoutError() == EPIPE) {
        EndByBrokenPipe();
    }
}

int FinishOutput(int status)
{
    std::cout.flush();
    if (std::cout && std::fflush(stdout) == 0 && !std::ferror(stdout)) {
        return status;
    }
    const int error = StdoutError();
    if (error == EPIPE) {
        EndByBrokenPipe();
    }
    std::cerr << "meshaudit: cannot write to standard output: "
              << (error != 0 ? std::strerror(error) : "write failed") << '\n';
    return 2;
}

bool StderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

SilencedStderr::SilencedStderr()
{
    std::fflush(stderr);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) {
        return;
    }
    saved_ = ::dup(STDERR_FILENO);
    if (saved_ >= 0) {
        ::dup2(null, STDERR_FILENO);
    }
    ::close(null);
}

SilencedStderr::~SilencedStderr()
{
    if (saved_ >= 0) {
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
}

}  // namespace meshaudit::cli
