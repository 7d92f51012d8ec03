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
#include <optional>
#include <string>
#include <vector>

#include "model/DataSpan.h"
#include "model/Image.h"
#include "model/MapRecord.h"
#include "model/ValueConversion.h"
#include "platform/UserPrompt.h"

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
    // The bytes a save of the edited file keeps (its data, model/DataSpan.h).
    // Unset, as over an image of a test's own, every byte is kept.
    std::optional<DataSpan> keptData;

    // The check every edit makes before its undo record and its first write:
    // empty when a save keeps each byte of addresses and each byte the map
    // link writes with them; else the one message that refuses the edit
    // whole (nothing written, no undo record).
    std::string OutsideDataRefusal(const std::vector<std::uint16_t>& addresses) const;

    // The one way an edit stores a byte: image[address] = value, the modified
    // flag set, then the map link told (with suppress as given). A byte the
    // save would not keep is not stored (false): an edit that missed the
    // check above still cannot leave a change that saving drops.
    bool StoreByte(std::uint16_t address, std::uint8_t value, int suppress);
};

// OutsideDataRefusal as a message box: stop icon, the caller's caption.
PromptMessage OutsideDataMessage(const std::string& refusal, const std::string& caption);
// The refusal of a constant's bytes outside kept (the constants list edits a
// copy of the image, without an edit context); empty when kept holds them.
std::string OutsideDataRefusal(const std::optional<DataSpan>& kept, const std::vector<std::uint16_t>& addresses);

// The context of the running program. The image must be allocated
// (calibration.HasImage()). The context refers to the calibration's fields
// and copies undoSize, definitionKind, currentMap and the data range as they
// stand: build it per command.
EditContext AppEditContext(Calibration& calibration, LinkPropagation propagate = {},
                           LineListUpdate lineListUpdate = {});
