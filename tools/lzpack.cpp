// lzpack: packs a file into the SZDD form the installer and the definition
// loader expand. "lzpack IN [OUT]"; OUT defaults to the packaged name of IN,
// its last character replaced by "_" (RV_Tune.STZ -> RV_Tune.ST_).
#include "platform/LzExpand.h"
#include "platform/SzddCompress.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: lzpack IN [OUT]\n"
    "Packs IN into the SZDD compressed form. OUT defaults to IN with its last\n"
    "character replaced by \"_\" (RV_Tune.STZ -> RV_Tune.ST_); the header then\n"
    "records the replaced character so the name can be restored on expansion.\n"
    "Exit status: 0 packed, 1 failed, 2 usage error.\n";

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Usage(const char* problem) {
    std::fprintf(stderr, "lzpack: %s\n%s", problem, kUsage);
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> names;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return Usage(("unknown option " + arg).c_str());
        } else {
            names.push_back(arg);
        }
    }
    if (names.empty() || names.size() > 2) return Usage("expected IN and an optional OUT");

    const std::string& source = names[0];
    const std::string inName = BaseName(source);
    if (inName.empty()) return Usage("IN names no file");
    const std::string target = names.size() == 2 ? names[1] : PackagedName(source);
    if (target == source) {
        std::fprintf(stderr, "lzpack: %s: the packed file would replace its source\n",
                     source.c_str());
        return kExitFailure;
    }

    // The header keeps the character a packaged name lost, so an expander
    // can restore the name; a name chosen freely lost nothing.
    const std::string outName = BaseName(target);
    const char missingChar = !outName.empty() && outName.back() == '_' ? inName.back() : '\0';

    int systemError = 0;
    const int result = SzddCompressFile(source, target, missingChar, &systemError);
    if (result != kLzOk) {
        const char* file = result == kLzReadError ? source.c_str() : target.c_str();
        if (systemError != 0) {
            std::fprintf(stderr, "lzpack: %s: %s (%s)\n", file, LzErrorText(result).c_str(),
                         std::strerror(systemError));
        } else {
            std::fprintf(stderr, "lzpack: %s: %s\n", file, LzErrorText(result).c_str());
        }
        return kExitFailure;
    }
    return kExitOk;
}
