#include "edit/PictureFile.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#include "platform/NoFollowFile.h"

namespace {

std::string Stem(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    std::string stem = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && dot > 0) stem.resize(dot);
    return stem;
}

}  // namespace

std::string PictureFileName(const std::string& dataFileName, const std::string& mapName, const std::string& what) {
    std::string name;
    for (const std::string& part : {Stem(dataFileName), mapName, what}) {
        if (part.empty()) continue;
        if (!name.empty()) name += ' ';
        name += part;
    }
    if (name.empty()) name = "picture";
    for (char& c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    // A name that starts with a dot would be hidden in the folder.
    if (name.front() == '.') name.front() = '_';
    return name + ".png";
}

PictureWrite WritePictureFile(const std::string& path, const std::string& bytes, std::string& why) {
    why.clear();
    const std::size_t slash = path.find_last_of('/');
    if (path.empty() || path.front() != '/' || slash == std::string::npos || slash + 1 >= path.size()) {
        why = "no file name";
        return PictureWrite::kFailed;
    }
    std::string folder;
    if (!ResolveFolder(slash == 0 ? std::string("/") : path.substr(0, slash), folder)) {
        why = std::strerror(errno);
        return PictureWrite::kFailed;
    }
    if (folder.back() != '/') folder += '/';
    const mode_t mask = ::umask(0);
    ::umask(mask);
    std::string link;
    errno = 0;
    const NoFollowResult result = WriteNoFollow(folder + path.substr(slash + 1), bytes, 0666u & ~mask, nullptr, link);
    if (result == NoFollowResult::kOk) return PictureWrite::kWritten;
    if (result == NoFollowResult::kLink) {
        why = link;
        return PictureWrite::kLink;
    }
    if (result == NoFollowResult::kMissing) why = "the folder does not exist";
    else why = errno != 0 ? std::strerror(errno) : "it could not be written";
    return PictureWrite::kFailed;
}

std::string PictureWriteMessage(PictureWrite result, const std::string& path, const std::string& why) {
    switch (result) {
        case PictureWrite::kWritten: return std::string();
        case PictureWrite::kLink:
            return "The picture was not saved: " + (why.empty() ? path : why) +
                   " is a symbolic link, and a picture is never written through one.";
        case PictureWrite::kFailed: break;
    }
    return "The picture was not saved to " + path + ": " + (why.empty() ? "it could not be written" : why) + ".";
}
