#include "platform/SzddCompress.h"

#include "platform/LzExpand.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::size_t kRingMask = lz::kRingSize - 1;
// References reach back at most this far, so the bytes a reference reads are
// never among those it is writing, whichever way an expander copies them.
constexpr std::size_t kMaxDistance = lz::kRingSize - lz::kMaxMatch;
constexpr unsigned kHashBits = 15;
// Candidates tried per position; the window is small, so this finds nearly
// every useful reference at a bounded cost on long runs of one byte.
constexpr int kChainLimit = 1024;

struct Match {
    std::size_t length = 0;
    std::size_t distance = 0;
};

// Hash chains over the input: for each 3-byte prefix the most recent
// position, and for each position the one before it with the same hash.
class MatchFinder {
public:
    MatchFinder(const unsigned char* data, std::size_t size)
        : data_(data), size_(size), head_(std::size_t(1) << kHashBits, kNone),
          previous_(lz::kRingSize, kNone) {}

    // Makes every position below end a candidate.
    void InsertUpTo(std::size_t end) {
        for (; inserted_ < end; ++inserted_) {
            if (inserted_ + lz::kMinMatch > size_) continue;
            const std::uint32_t h = Hash(inserted_);
            previous_[inserted_ & kRingMask] = head_[h];
            head_[h] = static_cast<std::int64_t>(inserted_);
        }
    }

    // The longest earlier match for the bytes at position (nearest wins a tie).
    Match Find(std::size_t position) const {
        Match best;
        if (position + lz::kMinMatch > size_) return best;
        const std::size_t limit = std::min(lz::kMaxMatch, size_ - position);
        std::int64_t candidate = head_[Hash(position)];
        for (int tries = 0; candidate != kNone && tries < kChainLimit; ++tries) {
            const auto from = static_cast<std::size_t>(candidate);
            if (from >= position || position - from > kMaxDistance) break;
            std::size_t length = 0;
            while (length < limit && data_[from + length] == data_[position + length]) ++length;
            if (length > best.length) {
                best = {length, position - from};
                if (length == limit) break;
            }
            const std::int64_t next = previous_[from & kRingMask];
            if (next >= candidate) break;   // the slot was reused by a newer position
            candidate = next;
        }
        if (best.length < lz::kMinMatch) best = {};
        return best;
    }

private:
    static constexpr std::int64_t kNone = -1;

    std::uint32_t Hash(std::size_t at) const {
        const std::uint32_t v = std::uint32_t(data_[at]) << 16 | std::uint32_t(data_[at + 1]) << 8 |
                                std::uint32_t(data_[at + 2]);
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    const unsigned char* data_;
    std::size_t size_;
    std::vector<std::int64_t> head_;
    std::vector<std::int64_t> previous_;
    std::size_t inserted_ = 0;
};

// Writes tokens behind flag bytes, eight tokens to a flag byte, lowest bit
// first; a set bit marks a literal.
class TokenWriter {
public:
    explicit TokenWriter(std::string& out) : out_(out) {}

    void Literal(unsigned char byte) {
        Flag(true);
        out_.push_back(static_cast<char>(byte));
    }
    // The reference names the absolute ring position the expander will find
    // the bytes at: input position p sits at ring position kRingStart + p.
    void Reference(std::size_t position, const Match& match) {
        Flag(false);
        const std::size_t ringPos = (lz::kRingStart + position - match.distance) & kRingMask;
        out_.push_back(static_cast<char>(ringPos & 0xFF));
        out_.push_back(static_cast<char>(((ringPos >> 4) & 0xF0) | (match.length - lz::kMinMatch)));
    }

private:
    void Flag(bool literal) {
        if (bit_ == 8) {
            flagsAt_ = out_.size();
            out_.push_back('\0');
            bit_ = 0;
        }
        if (literal) out_[flagsAt_] = static_cast<char>(out_[flagsAt_] | (1 << bit_));
        ++bit_;
    }

    std::string& out_;
    std::size_t flagsAt_ = 0;
    int bit_ = 8;
};

void PackTokens(const unsigned char* data, std::size_t size, std::string& out) {
    MatchFinder finder(data, size);
    TokenWriter writer(out);
    Match pending;
    bool havePending = false;
    std::size_t i = 0;
    while (i < size) {
        finder.InsertUpTo(i);
        const Match match = havePending ? pending : finder.Find(i);
        havePending = false;
        if (match.length == 0) {
            writer.Literal(data[i]);
            ++i;
            continue;
        }
        // One step of lazy matching: when the next position starts a longer
        // match, this byte goes out as a literal instead.
        if (match.length < lz::kMaxMatch && i + 1 < size) {
            finder.InsertUpTo(i + 1);
            const Match next = finder.Find(i + 1);
            if (next.length > match.length) {
                writer.Literal(data[i]);
                pending = next;
                havePending = true;
                ++i;
                continue;
            }
        }
        writer.Reference(i, match);
        i += match.length;
    }
}

int ReadSource(const std::string& path, std::string& data, int& systemError) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        systemError = errno;
        return kLzReadError;
    }
    int result = kLzOk;
    try {
        char buffer[32 * 1024];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                data.append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                systemError = errno;
                result = kLzReadError;
                break;
            }
        }
    } catch (const std::exception&) {
        result = kLzNoMemory;
    }
    ::close(fd);
    return result;
}

}  // namespace

std::string PackagedName(const std::string& path) {
    if (path.empty()) return path;
    std::string name = path;
    name.back() = '_';
    return name;
}

int SzddCompress(const std::string& data, char missingChar, std::string& packed) {
    packed.clear();
    if (data.size() > std::numeric_limits<std::uint32_t>::max()) return kLzTooLarge;
    try {
        packed.reserve(lz::kHeaderSize + data.size() + data.size() / 8 + 1);
        packed.append(lz::kSignature, sizeof lz::kSignature);
        packed.push_back(lz::kModeLzss);
        packed.push_back(missingChar);
        const auto length = static_cast<std::uint32_t>(data.size());
        for (int shift = 0; shift < 32; shift += 8) {
            packed.push_back(static_cast<char>((length >> shift) & 0xFF));
        }
        PackTokens(reinterpret_cast<const unsigned char*>(data.data()), data.size(), packed);
    } catch (const std::exception&) {
        packed.clear();
        return kLzNoMemory;
    }
    return kLzOk;
}

int SzddCompressFile(const std::string& source, const std::string& target, char missingChar,
                     int* systemError) {
    int error = 0;
    int result;
    {
        std::string data;
        std::string packed;
        result = ReadSource(source, data, error);
        if (result == kLzOk) result = SzddCompress(data, missingChar, packed);
        if (result == kLzOk) {
            lz::PendingFile out(target);
            result = out.Open(error);
            if (result == kLzOk) result = out.Write(packed.data(), packed.size(), error);
            if (result == kLzOk) result = out.Commit(error);
        }
    }
    if (systemError) *systemError = result == kLzReadError || result == kLzWriteError ? error : 0;
    return result;
}
