#pragma once
// Undo records of the map cells (the list itself is MapRecord::undo).
//
// A record's kind is 10 x action + target. A record holds the raw bytes an
// edit replaces, read from the image before the change: first the cell's
// first address with its raw value (a word for a word axis), then, for a
// DATA cell, each byte the map link copies the cell's byte to. Undo puts
// exactly those values back, so undoing every edit leaves the image as it was
// loaded. A chained record is undone together with the record before it, so
// a paste or a fill of many cells comes back with one Undo.
#include <cstdint>
#include <string>
#include <vector>

#include "edit/EditContext.h"
#include "model/MapRecord.h"

enum : int {
    kUndoActionEdit = 1,        // a typed or pasted value
    kUndoActionDrag = 2,        // every drag step recorded
    kUndoActionStep = 3,        // drag or step, one record per cell while it stays the newest
};

enum : int { kUndoTargetThrot = 0, kUndoTargetRpm = 1, kUndoTargetData = 2 };

// The main frame's Edit/Undo command.
constexpr int kUndoCommandId = 57643;

// The target for an edit mode (THROT 0, RPM 1, DATA 2); -1 for mode 0.
int UndoTarget(int editMode);

// Records the cell under the edit cursor with its raw value in the image, and
// the bytes of its linked cells (context.linkTargets): call it before the
// write. Action 3 records nothing
// when the newest record is an action-3 record of the same cell. Before
// appending, the oldest records go while the list weighs at least the undo
// size. Nothing is recorded in edit mode 0 or for a cursor outside its axis
// or table. Returns true when a record was appended.
bool PushUndo(const EditContext& context, MapRecord& map, int action, int chained);

// One record for an edit of many DATA cells at once: the bytes at
// dataAddresses (the first names the cell Undo puts the cursor on) and every
// byte the map link writes with them, each once, read from the image now:
// call it before the writes. One Undo gives them all back. The oldest
// records go first as for PushUndo; a record heavier than the undo size is
// still kept until the next one comes. false when the first address lies in
// no DATA cell of the map.
bool PushUndoDataCells(const EditContext& context, MapRecord& map, int action,
                       const std::vector<std::uint16_t>& dataAddresses);

// The same for bytes anywhere in the image (a copy from another calibration:
// DATA cells, axis elements, a constant): cellAddress first names the cell of
// map that Undo puts the cursor on (its value is recorded too, a word for a
// word axis element), then every byte of addresses and, for those in linked,
// the bytes the map link writes with them. The record's target is that of
// the cell. false when cellAddress is the first byte of no cell of the map.
bool PushUndoBytes(const EditContext& context, MapRecord& map, int action, std::uint16_t cellAddress,
                   const std::vector<std::uint16_t>& addresses, const std::vector<std::uint16_t>& linked);

// Restores the newest record, and the records before it as long as the one
// just restored is chained: every recorded byte gets its recorded value back,
// without passing through the map link. Each record puts the edit cursor on
// its cell, with the restored raw value and fresh limits. Returns 1 when something was
// restored, 0 when the list is empty or its newest record lies in no cell of
// the map (that record then stays). What was restored becomes the newest
// step of map.redo.
int Undo(EditContext& context, MapRecord& map);

// Redo's results. A refusal changes no byte; kRedoChanged also empties the
// redo list, since every older step was undone under the changed bytes.
enum : int {
    kRedone = 0,
    kRedoEmpty = 1,
    kRedoChanged = 2,       // a byte is no longer what the Undo left there
    kRedoOutsideData = 3,   // a byte lies outside what a save keeps now
};
struct RedoResult {
    int code = kRedoEmpty;
    std::string message;    // the refusal for the user; empty when redone or empty
};
// Writes back every byte the newest Undo of the map restored, as it was
// before that Undo, and gives its records back to the undo list, so Undo
// takes it back again. Only while the image still holds, at each of those
// bytes, what the Undo left there (an edit of a linked map, a read from the
// ECU or a restore may have changed it since); checked whole before the
// first write. The edit cursor goes to the step's first cell.
RedoResult Redo(EditContext& context, MapRecord& map);

// Names the records appended to map.undo during its life, for the Edit
// menu: declare it before an edit, set name (and namedUndo) when the count
// is known. An edit that appends nothing names nothing.
class UndoStepName {
public:
    UndoStepName(MapRecord& map, std::string name, bool namedUndo = false)
        : map_(map), before_(map.undo.Appended()), name(std::move(name)), namedUndo(namedUndo) {}
    ~UndoStepName();
    UndoStepName(const UndoStepName&) = delete;
    UndoStepName& operator=(const UndoStepName&) = delete;

private:
    MapRecord& map_;
    std::size_t before_;

public:
    std::string name;
    bool namedUndo;
};

// "Typed value", "Paste 6 cells": a name with its cell count ("1 cell" for one).
std::string CellsName(const std::string& verb, std::size_t cells);

// "&Undo(Edit DATA)\tCtrl+Z" and the like; "&Undo\tCtrl+Z" for a kind that
// names no action or target.
std::string UndoMenuText(int kind);
// The text for the newest record of the current map; "&Undo\tCtrl+Z" with no
// map or an empty list. A record named with namedUndo (the table maths, a
// copy from compare) reads "&Undo Scale 15 cells\tCtrl+Z".
std::string UndoMenuText(const MapRecord* currentMap);
bool UndoMenuEnabled(const MapRecord* currentMap);
// "&Redo Typed value\tCtrl+Y" for the newest redo step; "&Redo\tCtrl+Y" with
// no map or nothing to redo.
std::string RedoMenuText(const MapRecord* currentMap);
bool RedoMenuEnabled(const MapRecord* currentMap);
