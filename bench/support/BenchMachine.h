#pragma once
// A machine installation of the process benchmarks in a temporary folder:
// the machine folder with its settings file and definition, the registry
// file naming it, a scratch TMPDIR, and a data file over the whole 64 KB
// image. Removed with everything in it at the end.
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "files/SRecord.h"
#include "model/Image.h"
#include "tests/support/TestRegistry.h"

struct BenchMachine {
    std::string root;

    BenchMachine(const std::string& prefix, const std::string& folder, const std::string& definition) {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
        root = ::mkdtemp(pattern.data());
        fs::create_directories(root + "/install/" + folder);
        fs::create_directories(root + "/tmp");
        Write("install/" + folder + "/RV_Tune.INI", "[RS232C]\nPORT=PORT1\n");
        Write("install/" + folder + "/RV_Tune.STZ", definition);
        Write("registry.reg",
              TestRegistryText(TestInstallValues(root + "/install", "Bench(" + folder + ")", folder)));
    }
    ~BenchMachine() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    BenchMachine(const BenchMachine&) = delete;
    BenchMachine& operator=(const BenchMachine&) = delete;

    std::string Write(const std::string& name, const std::string& text) const {
        const std::string path = root + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // The data file of the machine over the whole image, in 16-byte records.
    std::string WriteDataFile(const std::string& name, const std::string& folder, const Image& image) const {
        std::string text = "[Machine]\r\nModel," + folder + "\r\n[Title]\r\nBench,whole image\r\n[Data]\r\nCalib:\r\n";
        for (std::size_t at = 0; at < kImageSize; at += 16)
            text += MakeDataRecord(static_cast<std::uint16_t>(at), &image[at], 16) + "\r\n";
        text += "S9030000FC\r\nFixed:\r\n";
        return Write(name, text);
    }

    // The process's own RV_TUNE_REGISTRY and TMPDIR point into the folder.
    void Select() const {
        ::setenv("RV_TUNE_REGISTRY", (root + "/registry.reg").c_str(), 1);
        ::setenv("TMPDIR", (root + "/tmp").c_str(), 1);
    }
};
