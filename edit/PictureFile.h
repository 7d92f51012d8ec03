#pragma once
// A picture of a window saved as a file (File > Save picture...): the name
// the file dialog proposes, and the write, whole or not at all. The folder
// the user chose is taken as it resolves (a link to it is followed there),
// and in it the file is written without following a link: a link planted
// under the name is refused, never written through.
#include <string>

enum class PictureWrite { kWritten, kLink, kFailed };

// "<data file stem> <map name> <what>.png", characters a file name should
// not hold ("/", control characters) made "_"; "picture.png" when both
// names are empty.
std::string PictureFileName(const std::string& dataFileName, const std::string& mapName, const std::string& what);

// Writes bytes as path (absolute), mode 0666 less the umask; on failure the
// old file is as it was. why says what went wrong, for the message.
PictureWrite WritePictureFile(const std::string& path, const std::string& bytes, std::string& why);

// The message of a failed write: "The picture was not saved: <path> is a
// symbolic link." and the like.
std::string PictureWriteMessage(PictureWrite result, const std::string& path, const std::string& why);
