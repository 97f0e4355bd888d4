#include "FileBytes.h"

#include "LoadError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace meshaudit::cli {

namespace {

std::string ErrnoText(int code)
{
    return std::strerror(code);
}

// Closes a descriptor on every path out of a function.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    int Release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

}  // namespace

std::string ReadFileBytes(const std::string& path)
{
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        throw LoadError(path, "cannot open: " + ErrnoText(errno));
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        throw LoadError(path, "cannot read: " + ErrnoText(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        throw LoadError(path, "is a directory, not a mesh file");
    }
    // The bytes go straight into the string, not through a buffer on the
    // stack: each 4 KiB of stack or heap first written costs a fault, which
    // on the virtual machines the command runs on costs more than reading a
    // small mesh, and a copy is saved too. A regular file's size is known, so
    // it is read into one block with a byte to spare, where the read that
    // finds its end lands without the block growing; a pipe or device, or a
    // file that grows while read, grows the block by half its size at a time.
    const size_t known = S_ISREG(info.st_mode) && info.st_size > 0 ? static_cast<size_t>(info.st_size) : 0;
    std::string bytes(known + (known > 0 ? 1 : size_t{1} << 16), '\0');
    size_t have = 0;
    for (;;) {
        if (have == bytes.size()) {
            bytes.resize(bytes.size() + bytes.size() / 2);
        }
        const ssize_t got = ::read(fd.Get(), bytes.data() + have, bytes.size() - have);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw LoadError(path, "cannot read: " + ErrnoText(errno));
        }
        if (got == 0) {
            break;
        }
        have += static_cast<size_t>(got);
    }
    bytes.resize(have);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::string temporary = path + ".tmp-XXXXXX";
    Descriptor fd(::mkstemp(temporary.data()));
    if (fd.Get() < 0) {
        throw LoadError(path, "cannot create: " + ErrnoText(errno));
    }
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t put = ::write(fd.Get(), bytes.data() + written, bytes.size() - written);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            int code = errno;
            ::unlink(temporary.c_str());
            throw LoadError(path, "cannot write: " + ErrnoText(code));
        }
        written += static_cast<size_t>(put);
    }
    // mkstemp creates the file readable by its owner only; a mesh is an
    // ordinary document, so it gets the usual permissions under the umask.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd.Get(), 0666 & ~mask);
    if (::close(fd.Release()) != 0) {
        int code = errno;
        ::unlink(temporary.c_str());
        throw LoadError(path, "cannot write: " + ErrnoText(code));
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int code = errno;
        ::unlink(temporary.c_str());
        throw LoadError(path, "cannot write: " + ErrnoText(code));
    }
}

}  // namespace meshaudit::cli
