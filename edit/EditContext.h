#pragma once
// What a cell edit needs from the application: the image, the modified flag,
// the undo size, the display formats, the current map, the definition kind,
// and the seams to the rest of the program: the map link, which copies a
// written byte into every map linked with the edited one (and names the
// bytes it would write, for the undo records), and the Line list of the
// main frame's dialog bar. AppEditContext builds one from the program's
// calibration; tests build one over their own image.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/Image.h"
#include "model/MapRecord.h"
#include "model/ValueConversion.h"

struct Calibration;

// Called after every byte an edit stores, with the byte's address and value.
// The map link (edit/MapLink) writes the same byte at the same cell of every
// map linked with the one that holds the address, and does nothing when
// suppress is nonzero: axis writes, word halves and the link's own writes
// pass 1 so that a byte is never handed on twice.
using LinkPropagation = std::function<void(std::uint16_t address, std::uint8_t value, int suppress)>;

// The addresses the map link writes when a DATA byte at address is stored
// (none when the byte belongs to no linked map). An undo record keeps their
// bytes with the cell's, so that Undo puts every byte an edit changed back.
using LinkTargets = std::function<std::vector<std::uint16_t>(std::uint16_t address)>;

// The dialog bar's Line list shows one entry per THROT value; undoing a THROT
// cell hands its column and the restored value, printed with FormatZ.
using LineListUpdate = std::function<void(int column, const std::string& text)>;

// Definition kinds, as app/QelApp.h numbers them.
enum : int { kEditConfigMapDefinition = 0, kEditFreeMapDefinition = 1 };

struct EditContext {
    EditContext(Image& image, int& modified, const ValueFormats& formats)
        : image(image), modified(modified), formats(formats) {}

    Image& image;
    int& modified;                      // the application's modified flag
    const ValueFormats& formats;
    int undoSize = 1024;                // settings file [UNDO] SIZE
    int definitionKind = kEditFreeMapDefinition;
    const MapRecord* currentMap = nullptr;   // decides FormatData's format
    LinkPropagation propagate;          // may be empty: no map link
    LinkTargets linkTargets;            // the same link's targets; may be empty
    LineListUpdate lineListUpdate;      // may be empty: no dialog bar

    // The one way an edit stores a byte: image[address] = value, the modified
    // flag set, then the map link told (with suppress as given).
    void StoreByte(std::uint16_t address, std::uint8_t value, int suppress);
};

// The context of the running program. The image must be allocated
// (calibration.HasImage()). The context refers to the calibration's fields
// and copies undoSize,
// definitionKind and currentMap as they stand: build it per command.
EditContext AppEditContext(Calibration& calibration, LinkPropagation propagate = {},
                           LineListUpdate lineListUpdate = {});
