// Expands a packed definition for the seed corpus: ExpandSeed IN OUT.
#include <cstdio>
#include <string>

#include "platform/FileIo.h"
#include "platform/LzExpand.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "Usage: ExpandSeed IN OUT\n");
        return 2;
    }
    std::string packed, plain;
    if (!ReadWholeFile(argv[1], packed) || LzExpandBuffer(packed, plain) != kLzOk ||
        !WriteFileAtomic(argv[2], plain)) {
        std::fprintf(stderr, "ExpandSeed: cannot expand %s\n", argv[1]);
        return 1;
    }
    return 0;
}
