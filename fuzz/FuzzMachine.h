#pragma once
// A started application on a shipped machine for the fuzz targets: its
// definition expanded from the packed file beside the machine, its registry
// naming the machine, an image of its own. RV_FUZZ_DATA is the data folder
// of the source tree; RV_FUZZ_MACHINE picks the machine (default KST26A).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app/QelApp.h"
#include "config/Definition.h"
#include "platform/FileIo.h"
#include "platform/LzExpand.h"
#include "platform/UserPrompt.h"

namespace fuzzmachine {

struct SilentPrompt : UserPrompt {
    int messages = 0;
    void Message(const std::string&, const std::string&, PromptIcon) override { ++messages; }
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons, PromptIcon,
                     PromptAnswer defaultAnswer) override {
        return defaultAnswer;
    }
};

inline std::string Machine() {
    const char* name = std::getenv("RV_FUZZ_MACHINE");
    return name && *name ? name : "KST26A";
}

inline std::string DataFolder() { return RV_FUZZ_DATA; }

inline CQelApp& App() {
    static CQelApp* app = [] {
        AppOptions options;
        options.registryPath = "/nonexistent/rv-fuzz/registry.reg";
        auto* made = new CQelApp(options);
        std::string packed, definition;
        if (!ReadWholeFile(DataFolder() + "/" + Machine() + "/RV_Tune.STZ", packed) ||
            LzExpandBuffer(packed, definition) != 0) {
            std::fprintf(stderr, "cannot read the definition of %s\n", Machine().c_str());
            std::abort();
        }
        AppendDefinitionText(definition, made->definitionLines);
        made->registry.machineFolder = Machine();
        if (!made->AllocateImage()) std::abort();
        return made;
    }();
    return *app;
}

// A file of the process's own in the temporary folder, written with the
// input each run (the readers take a path).
inline std::string ScratchFile(const char* tag) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/rv-fuzz-" + tag + "-" + std::to_string(::getpid());
}

inline void WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

}  // namespace fuzzmachine
