#pragma once
// Raw <-> physical conversion, display formats and edit limits of map items.
// (Interface to be completed by its implementer.)
