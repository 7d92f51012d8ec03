#include "platform/LzExpand.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kEnd = -1;    // Source::Get: no more input
constexpr int kFail = -2;   // Source::Get: the read itself failed
constexpr std::size_t kRingMask = lz::kRingSize - 1;
constexpr std::size_t kIoChunk = 32 * 1024;

// The longest output one payload byte can stand for: a group of one flag
// byte and eight two-byte references gives 8 * 18 bytes from 17 bytes.
constexpr std::uint64_t kMaxExpansionPerByte = 9;

std::uint32_t DeclaredLength(const unsigned char* header) {
    return std::uint32_t(header[10]) | std::uint32_t(header[11]) << 8 |
           std::uint32_t(header[12]) << 16 | std::uint32_t(header[13]) << 24;
}

bool StartsWithSignature(const unsigned char* data, std::size_t size) {
    return size >= sizeof lz::kSignature &&
           std::memcmp(data, lz::kSignature, sizeof lz::kSignature) == 0;
}

// A non-empty proper prefix of the signature: what is left of a compressed
// file cut inside its first eight bytes.
bool IsCutSignature(const unsigned char* data, std::size_t size) {
    return size > 0 && size < sizeof lz::kSignature &&
           std::memcmp(data, lz::kSignature, size) == 0;
}

// What the first bytes of a file say it is.
enum class Kind { kPlain, kCompressed, kTruncated, kUnknownMode };

Kind Classify(const unsigned char* head, std::size_t size) {
    if (IsCutSignature(head, size)) return Kind::kTruncated;
    if (!StartsWithSignature(head, size)) return Kind::kPlain;
    if (size < lz::kHeaderSize) return Kind::kTruncated;
    if (head[8] != static_cast<unsigned char>(lz::kModeLzss)) return Kind::kUnknownMode;
    return Kind::kCompressed;
}

// Decodes the token stream after the header. Every pass of the inner loop
// takes at least one input byte and gives at most 18 output bytes, so the
// work is bounded by the input, whatever the header declares; output stops
// at the declared length.
template <class Source, class Sink>
int ExpandTokens(Source& in, Sink& out, std::uint64_t declaredLength) {
    unsigned char ring[lz::kRingSize];
    std::memset(ring, ' ', sizeof ring);
    std::size_t ringPos = lz::kRingStart;
    std::uint64_t produced = 0;
    std::uint64_t groupCount = 0;

    for (;;) {
        const int flags = in.Get();
        if (flags == kFail) return kLzReadError;
        if (flags == kEnd) break;
        // The group that reaches the declared length may carry padding (for
        // an empty file that is the first group); a whole group after it
        // means the header and the stream disagree.
        if (groupCount > 0 && produced >= declaredLength) return kLzCorrupt;
        ++groupCount;
        for (int bit = 0; bit < 8; ++bit) {
            const int first = in.Get();
            if (first == kFail) return kLzReadError;
            if (first == kEnd) return produced == declaredLength ? kLzOk : kLzTruncated;
            if (flags & (1 << bit)) {
                if (produced < declaredLength) {
                    ring[ringPos] = static_cast<unsigned char>(first);
                    ringPos = (ringPos + 1) & kRingMask;
                    if (int r = out.Put(static_cast<unsigned char>(first)); r != kLzOk) return r;
                    ++produced;
                }
                continue;
            }
            const int second = in.Get();
            if (second == kFail) return kLzReadError;
            if (second == kEnd) return kLzTruncated;   // a reference cut in half
            std::size_t from = std::size_t(first) | (std::size_t(second) & 0xF0) << 4;
            const std::size_t length = (std::size_t(second) & 0x0F) + lz::kMinMatch;
            // Byte by byte, so a reference may overlap what it is writing.
            for (std::size_t i = 0; i < length && produced < declaredLength; ++i) {
                const unsigned char byte = ring[from];
                from = (from + 1) & kRingMask;
                ring[ringPos] = byte;
                ringPos = (ringPos + 1) & kRingMask;
                if (int r = out.Put(byte); r != kLzOk) return r;
                ++produced;
            }
        }
    }
    return produced == declaredLength ? kLzOk : kLzTruncated;
}

struct MemorySource {
    const unsigned char* data;
    std::size_t size;
    std::size_t next = 0;
    int Get() { return next < size ? data[next++] : kEnd; }
};

struct MemorySink {
    std::string& output;
    int Put(unsigned char byte) {
        try {
            output.push_back(static_cast<char>(byte));
        } catch (const std::exception&) {   // bad_alloc or length_error
            return kLzNoMemory;
        }
        return kLzOk;
    }
};

// Reads a file in chunks, after the bytes already taken for the header.
class FileSource {
public:
    explicit FileSource(int fd) : fd_(fd) {}
    int Get() {
        if (next_ == size_ && !Refill()) return failed_ ? kFail : kEnd;
        return buffer_[next_++];
    }
    int Errno() const { return errno_; }
    // Reads up to size bytes, stopping only at the end of the file.
    std::size_t ReadUpTo(unsigned char* data, std::size_t size) {
        std::size_t got = 0;
        while (got < size) {
            const int c = Get();
            if (c < 0) break;
            data[got++] = static_cast<unsigned char>(c);
        }
        return got;
    }
    bool Failed() const { return failed_; }

private:
    bool Refill() {
        if (failed_ || ended_) return false;
        for (;;) {
            const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
            if (n > 0) {
                next_ = 0;
                size_ = static_cast<std::size_t>(n);
                return true;
            }
            if (n == 0) {
                ended_ = true;
                return false;
            }
            if (errno == EINTR) continue;
            errno_ = errno;
            failed_ = true;
            return false;
        }
    }

    int fd_;
    unsigned char buffer_[kIoChunk];
    std::size_t next_ = 0;
    std::size_t size_ = 0;
    bool ended_ = false;
    bool failed_ = false;
    int errno_ = 0;
};

class FileSink {
public:
    FileSink(lz::PendingFile& file, int& systemError) : file_(file), systemError_(systemError) {}
    int Put(unsigned char byte) {
        buffer_[used_++] = byte;
        return used_ == sizeof buffer_ ? Flush() : kLzOk;
    }
    int Write(const unsigned char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            if (int r = Put(data[i]); r != kLzOk) return r;
        }
        return kLzOk;
    }
    int Flush() {
        const std::size_t size = used_;
        used_ = 0;
        return size == 0 ? kLzOk : file_.Write(buffer_, size, systemError_);
    }

private:
    lz::PendingFile& file_;
    int& systemError_;
    unsigned char buffer_[kIoChunk];
    std::size_t used_ = 0;
};

// The source descriptor, closed on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

int ExpandOpenFile(FileSource& in, lz::PendingFile& target, int& systemError) {
    if (int r = target.Open(systemError); r != kLzOk) return r;
    FileSink out(target, systemError);

    unsigned char head[lz::kHeaderSize];
    const std::size_t headSize = in.ReadUpTo(head, sizeof head);
    if (in.Failed()) {
        systemError = in.Errno();
        return kLzReadError;
    }
    int result = kLzOk;
    switch (Classify(head, headSize)) {
    case Kind::kTruncated:
        return kLzTruncated;
    case Kind::kUnknownMode:
        return kLzCorrupt;
    case Kind::kPlain:
        result = out.Write(head, headSize);
        for (int c = in.Get(); result == kLzOk && c >= 0; c = in.Get()) {
            result = out.Put(static_cast<unsigned char>(c));
        }
        break;
    case Kind::kCompressed:
        result = ExpandTokens(in, out, DeclaredLength(head));
        break;
    }
    if (result == kLzOk && in.Failed()) result = kLzReadError;
    if (result == kLzReadError) systemError = in.Errno();
    if (result == kLzOk) result = out.Flush();
    if (result == kLzOk) result = target.Commit(systemError);
    return result;
}

}  // namespace

namespace lz {

PendingFile::~PendingFile() {
    if (file_) std::fclose(file_);
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
}

int PendingFile::Open(int& systemError) {
    static std::atomic<unsigned> counter{0};
    // Beside the target, so the rename stays on one file system. O_EXCL with
    // a few names in turn, and mode 0666 so the umask decides as for any file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = target_ + ".~" + std::to_string(::getpid()) + "." +
                           std::to_string(counter.fetch_add(1));
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            systemError = errno;
            return kLzWriteError;
        }
        file_ = ::fdopen(fd, "wb");
        if (!file_) {
            systemError = errno;
            ::close(fd);
            ::unlink(path.c_str());
            return kLzWriteError;
        }
        tempPath_ = std::move(path);
        return kLzOk;
    }
    systemError = EEXIST;
    return kLzWriteError;
}

int PendingFile::Write(const void* data, std::size_t size, int& systemError) {
    if (!file_) {
        systemError = EBADF;
        return kLzWriteError;
    }
    if (size > 0 && std::fwrite(data, 1, size, file_) != size) {
        systemError = errno;
        return kLzWriteError;
    }
    return kLzOk;
}

int PendingFile::Commit(int& systemError) {
    if (!file_) {
        systemError = EBADF;
        return kLzWriteError;
    }
    bool ok = std::fflush(file_) == 0 && (!durable_ || ::fsync(::fileno(file_)) == 0);
    int error = ok ? 0 : errno;
    if (std::fclose(file_) != 0 && ok) {
        ok = false;
        error = errno;
    }
    file_ = nullptr;
    if (ok && std::rename(tempPath_.c_str(), target_.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        systemError = error;
        return kLzWriteError;
    }
    tempPath_.clear();
    return kLzOk;
}

}  // namespace lz

bool IsSzdd(const std::string& data) {
    return StartsWithSignature(reinterpret_cast<const unsigned char*>(data.data()), data.size());
}

int LzExpandBuffer(const std::string& input, std::string& output) {
    const auto* data = reinterpret_cast<const unsigned char*>(input.data());
    output.clear();
    switch (Classify(data, input.size())) {
    case Kind::kTruncated:
        return kLzTruncated;
    case Kind::kUnknownMode:
        return kLzCorrupt;
    case Kind::kPlain:
        try {
            output = input;
        } catch (const std::bad_alloc&) {
            return kLzNoMemory;
        }
        return kLzOk;
    case Kind::kCompressed:
        break;
    }
    const std::uint64_t declared = DeclaredLength(data);
    const std::uint64_t payload = input.size() - lz::kHeaderSize;
    // A header may claim up to 4 GiB; reserve only what the payload can give,
    // and refuse at once what it cannot.
    if (declared > payload * kMaxExpansionPerByte) return kLzTruncated;
    try {
        output.reserve(static_cast<std::size_t>(declared));
    } catch (const std::exception&) {
        return kLzNoMemory;
    }
    MemorySource in{data + lz::kHeaderSize, static_cast<std::size_t>(payload)};
    MemorySink out{output};
    const int result = ExpandTokens(in, out, declared);
    if (result != kLzOk) output.clear();
    return result;
}

int LzExpandFile(const std::string& source, const std::string& target, int* systemError, bool durable) {
    int error = 0;
    int result;
    {
        Descriptor fd{::open(source.c_str(), O_RDONLY | O_CLOEXEC)};
        if (fd.fd < 0) {
            error = errno;
            result = kLzReadError;
        } else {
            try {
                auto in = std::make_unique<FileSource>(fd.fd);
                lz::PendingFile out(target, durable);
                result = ExpandOpenFile(*in, out, error);
            } catch (const std::bad_alloc&) {
                result = kLzNoMemory;
            }
        }
    }
    if (systemError) *systemError = result == kLzReadError || result == kLzWriteError ? error : 0;
    return result;
}

std::string LzErrorText(int code) {
    switch (code) {
    case kLzOk: return "No error.";
    case kLzReadError: return "Read error.";
    case kLzWriteError: return "Write error.";
    case kLzNoMemory: return "Insufficient memory.";
    case kLzTruncated: return "Compressed file is truncated.";
    case kLzCorrupt: return "Compressed file is damaged.";
    case kLzTooLarge: return "File is too large to compress.";
    default: return "Unknown error.";
    }
}

std::string LzFailureText(const std::string& target, int code) {
    return "[" + target + "] " + LzErrorText(code);
}
