// The settings file and the registry file from arbitrary text: reads stay
// within their limits, and a write over whatever was there reads back as
// written and leaves a file that parses.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/ProfileFile.h"
#include "platform/RegistryStore.h"

namespace {

std::string Scratch(const char* name) {
    static const std::string folder = [] {
        char pattern[] = "/tmp/rvfuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return folder + "/" + name;
}

void Put(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string ini = Scratch("RV_Tune.INI");
    Put(ini, data, size);
    ProfileFile settings(ini);
    if (settings.ReadString("RS232C", "PORT", "").size() >= ProfileFile::kBufferSize) __builtin_trap();
    settings.ReadInt("PRECISION", "X", 0);
    // A path is the buffer's text, only not cut.
    const std::string cut = settings.ReadString("DIRECTORY", "PATH2", "");
    const std::string path = settings.ReadPath("DIRECTORY", "PATH2", "");
    if (path.size() >= ProfileFile::kMaxPathSize) __builtin_trap();
    // Whole when read at all (one too long for the system reads as none).
    if (!path.empty() && (path.compare(0, cut.size(), cut) != 0 || (cut.size() < 259 && path != cut)))
        __builtin_trap();
    const std::string longPath = "/" + std::string(300, 'p');
    if (!settings.WriteString("DIRECTORY", "PATH3", longPath) ||
        ProfileFile(ini).ReadPath("DIRECTORY", "PATH3", "") != longPath)
        __builtin_trap();
    if (!settings.WriteString("DIRECTORY", "PATH1", "/work folder/1")) __builtin_trap();
    if (ProfileFile(ini).ReadString("DIRECTORY", "PATH1", "") != "/work folder/1") __builtin_trap();

    const std::string reg = Scratch("registry.reg");
    Put(reg, data, size);
    std::remove((reg + ".bad").c_str());
    RegistryStore registry(reg);
    registry.Query("SOFTWARE\\RV_Tune", "MachineFolder");
    if (!registry.SetString("SOFTWARE\\RV_Tune", "MachineFolder", "KST26A")) __builtin_trap();
    RegistryStore again(reg);
    const auto value = again.Query("SOFTWARE\\RV_Tune", "MachineFolder");
    if (!value || value->type != RegistryValue::Type::kString || !again.ParseError().empty()) __builtin_trap();
    std::string text(value->data.begin(), value->data.end());
    while (!text.empty() && text.back() == '\0') text.pop_back();
    if (text != "KST26A") __builtin_trap();
    return 0;
}
