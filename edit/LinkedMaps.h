#pragma once
// The maps edited together with a map: the link groups of the "Multi Map"
// section as the link mode groups them, the name a linked map window shows,
// and the copy of a DATA byte into the same cell of every map of its group.
//
// Mode 0 links every listed map (#1..#4, or #1,#2); mode 1 links #1 with #4
// and #2 with #3; mode 2 (and any other value) links nothing. A map that is
// not in the link list is in no group.
#include <cstdint>
#include <string>
#include <vector>

#include "edit/EditContext.h"
#include "model/Image.h"
#include "model/MapLinkData.h"
#include "model/MapRecord.h"

struct Calibration;

// The maps of map's group in #-order, map itself included; empty when map is
// in no group. Names of the list that name no map are left out.
std::vector<MapRecord*> LinkGroupOf(const MapList& maps, int linkMode, const MapLinkData& link,
                                    const MapRecord& map);

// The name a map window gives its map: the names of the maps of its group
// joined by ",", or the map's own name without a group.
std::string LinkedMapName(const MapList& maps, int linkMode, const MapLinkData& link,
                          const MapRecord& map);

// The address of cell (row, column) in every other map of map's group that
// has such a cell, in #-order.
std::vector<std::uint16_t> LinkedCellAddresses(const MapList& maps, int linkMode,
                                               const MapLinkData& link, const MapRecord& map,
                                               int row, int column);

// The addresses PropagateLinkedByte writes for a DATA byte at address, in
// #-order: the same cell of every other map in the group of the linked map
// whose DATA holds the address; none for any other address.
std::vector<std::uint16_t> LinkedByteAddresses(const MapList& maps, int linkMode, const MapLinkData& link,
                                               std::uint16_t address);

// A DATA byte just stored at address: the same byte goes into the same cell
// of every other map in the group of the linked map whose DATA holds the
// address. Addresses outside the DATA of linked maps (axes, constants, the
// checksum) go nowhere. Returns the number of bytes written.
int PropagateLinkedByte(const MapList& maps, int linkMode, const MapLinkData& link, Image& image,
                        std::uint16_t address, std::uint8_t value);

// The propagation of the running program for EditContext: the link state of
// the calibration at the time of each call; nothing with suppress set.
LinkPropagation AppLinkPropagation(Calibration& calibration);
// Its targets, for the undo records.
LinkTargets AppLinkTargets(Calibration& calibration);
// The edit context of the running program with its map link (propagation and
// targets) and the given Line list update.
EditContext AppLinkedEditContext(Calibration& calibration, LineListUpdate lineListUpdate = {});
