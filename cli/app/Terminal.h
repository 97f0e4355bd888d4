// The command's view of its terminal: whether to colour, silencing the
// library's progress line, and how a failed standard output ends it.
#pragma once

#include <string>

namespace meshaudit::cli {

enum class ColourMode { Auto, Always, Never };

// "auto", "always" or "never"; false for anything else.
bool ParseColourMode(const std::string& text, ColourMode& mode);

// Auto colours when standard output is a terminal and NO_COLOR is not set.
bool UseColour(ColourMode mode);

bool StderrIsTerminal();

// Ends the command quietly, as the standard tools end, when standard output
// failed because its reader has gone (`meshaudit check ... | head -1`):
// killed by SIGPIPE, status 141 in the shell, no message. Returns otherwise.
void EndIfReaderGone();

// Flushes standard output and returns `status` when everything written
// reached it; otherwise ends as EndIfReaderGone does, or says why the write
// failed (a full disk) and returns 2.
int FinishOutput(int status);

// While it lives, standard error (descriptor 2) goes to /dev/null: the
// library draws its progress line there and offers no other way to turn it
// off.
class SilencedStderr {
public:
    SilencedStderr();
    ~SilencedStderr();
    SilencedStderr(const SilencedStderr&) = delete;
    SilencedStderr& operator=(const SilencedStderr&) = delete;

private:
    int saved_ = -1;
};

}  // namespace meshaudit::cli
