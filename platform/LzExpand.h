#pragma once
// Expansion of SZDD-compressed files, the format the definition file and the
// installer's packaged files ("RV_Tune.ex_", "S1RV_Tune.in_", ...) are kept in.
// A file that does not start with the SZDD signature is not compressed and is
// copied unchanged, so a plain text definition works as well.
//
// The format: a 14-byte header (8-byte signature, mode byte 'A', the "missing
// character" of the packaged name, the expanded length as 32-bit little
// endian) followed by LZSS tokens in groups of eight, each group led by a
// flag byte read from its lowest bit up: 1 = one literal byte, 0 = a two-byte
// reference to 3 to 18 bytes at an absolute position of a 4096-byte ring that
// starts filled with blanks, with writing starting at position 4080. The
// reference's first byte is the position's low 8 bits; the second byte holds
// its high 4 bits in the upper nibble and the length less 3 in the lower.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace lz {

constexpr std::size_t kHeaderSize = 14;
constexpr char kSignature[8] = {'S', 'Z', 'D', 'D', '\x88', '\xF0', '\x27', '\x33'};
constexpr char kModeLzss = 'A';
constexpr std::size_t kRingSize = 4096;
constexpr std::size_t kRingStart = kRingSize - 16;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18;

// A file written under a temporary name beside its target and renamed over
// the target by Commit; the temporary is removed when the object goes away
// uncommitted. Shared by the expander and the packer so neither leaves a
// half-written file behind.
class PendingFile {
public:
    explicit PendingFile(std::string target, bool durable = true)
        : target_(std::move(target)), durable_(durable) {}
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // kLzOk, or kLzWriteError with systemError set.
    int Open(int& systemError);
    int Write(const void* data, std::size_t size, int& systemError);
    // Flushes (and syncs, when durable), closes and renames into place.
    int Commit(int& systemError);

private:
    std::string target_;
    std::string tempPath_;
    bool durable_ = true;
    std::FILE* file_ = nullptr;
};

}  // namespace lz

// Results of the expansion (and of the packer). Negative, so they never clash
// with a count; the host's errno of a failed open, read or write is handed
// back separately where the caller wants it for its message.
enum LzResult : int {
    kLzOk = 0,
    kLzReadError = -1,    // the source cannot be opened or read
    kLzWriteError = -2,   // the target cannot be created, written or put in place
    kLzNoMemory = -3,
    kLzTruncated = -4,    // header cut short, stream ends mid-token or before the declared length
    kLzCorrupt = -5,      // unknown mode, or the stream runs on past the declared length
    kLzTooLarge = -6,     // packer only: more than the header's 32-bit length can declare
};

// True when data begins with the complete SZDD signature.
bool IsSzdd(const std::string& data);

// Expands the bytes of a compressed file into output (replaced, not appended).
// Data without the signature is copied to output unchanged. The expanded size
// is exactly the length the header declares: a stream that ends before it is
// truncated; tokens left in the last flag group once it is reached are
// ignored (the Debian compressor pads an empty file with one), but a further
// group is corrupt. Output is never grown beyond what the input can produce,
// whatever the header declares. Data that is a non-empty proper prefix of the
// signature is a truncated compressed file, not a plain one.
int LzExpandBuffer(const std::string& input, std::string& output);

// Expands (or copies, when not compressed) the file source into target. The
// target is written beside itself under a temporary name and renamed into
// place only when everything succeeded; on failure an existing target is
// left as it was and nothing new is left behind. systemError, when given,
// receives the errno of a failed open, read or write (else 0). A durable
// target is synced to the disk before the rename; a scratch copy that is
// made again before every use need not be.
int LzExpandFile(const std::string& source, const std::string& target, int* systemError = nullptr,
                 bool durable = true);

// A short text for a result: "Read error.", "Write error.", "Insufficient
// memory.", and texts for the truncated and corrupt kinds.
std::string LzErrorText(int code);

// The failure text the definition loader builds: "[" target "] " text.
std::string LzFailureText(const std::string& target, int code);
