#pragma once
// The kinds of window a view shows, as the document numbers them.
enum : int { kWindowMap = 1, kWindowHex = 2, kWindowTable = 3 };
