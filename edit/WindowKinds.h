#pragma once
// The kinds of window a view shows, as the document numbers them; the 3D
// window (a map as a surface) is our addition.
enum : int { kWindowMap = 1, kWindowHex = 2, kWindowTable = 3, kWindowSurface = 4 };
