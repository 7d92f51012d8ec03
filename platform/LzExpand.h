#pragma once
// Expansion of SZDD-compressed files (the classic compressed format with the
// "SZDD" signature). A file that is not SZDD is copied unchanged.
// (Interface to be completed by its implementer.)
