#pragma once
// The calibration in memory: the ECU's 64 KB image, the maps laid over it,
// the data file's and the definition's lines, the data range and what the
// definition says about the image (monitor items, map link). The
// application object is one; core functions take this part instead of the
// whole application, and tests build one of their own.
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "model/DataSpan.h"
#include "model/DiagItem.h"
#include "model/Image.h"
#include "model/LineStore.h"
#include "model/MapLinkData.h"
#include "model/MapRecord.h"
#include "model/ValueConversion.h"

enum : int { kLinkNone = 2 };
enum : int { kDefinitionConfigMap = 0, kDefinitionFreeMap = 1 };

struct Calibration {
    // The image lives on the heap, allocated once: false when the memory
    // could not be had. It starts zero-filled.
    bool AllocateImage() {
        imageBlock.reset(new (std::nothrow) Image());
        return imageBlock != nullptr;
    }
    void FreeImage() { imageBlock.reset(); }
    Image& image() { return *imageBlock; }
    const Image& image() const { return *imageBlock; }
    bool HasImage() const { return imageBlock != nullptr; }
    // The data the file holds (model/DataSpan.h): what a save keeps, and all
    // a compare or a copy may read from it.
    DataSpan Data() const { return {dataStart, dataEnd}; }
    bool HoldsData(std::uint16_t address) const { return Data().Holds(address); }

    MapList maps;
    MapRecord* currentMap = nullptr;       // not owned
    std::string dataFilePath;              // empty while no calibration is open
    std::string dataFileName;
    std::uint16_t dataStart = 0;           // the loaded data range; its last byte is the checksum
    std::uint16_t dataEnd = 0;
    std::uint16_t mapAreaStart = 0;
    int definitionKind = kDefinitionFreeMap;
    int modified = 0;
    int undoSize = 1024;                   // undo records an edit of a map keeps (settings [UNDO] SIZE)
    LineStore dataLines;
    LineStore definitionLines;
    ValueFormats formats;                  // X, Y and Z display formats, "%.1f" by default
    bool colourScale = false;              // the table's DATA cells shaded by value (app/DisplayOptions)
    // Rebuilt from the definition lines on every data file load.
    std::vector<DiagItem> diagItems;       // monitor items in definition order
    MapLinkData mapLink;                   // the link list; the mode is mapLinkState
    int mapLinkState = kLinkNone;

private:
    std::unique_ptr<Image> imageBlock;
};
