#pragma once
// The main frame's command table in Qt terms: one row per command of
// app/FrameCommands.def with its menu text, keys, menu and handler (the
// update rules and key codes are read from the same rows by
// app/CommandRules.cpp).
#include <vector>

class CMainFrame;

// The menus of the menu bar, in their order; kOpenMenu is Window's Open.
enum FrameMenu { kNoMenu, kFileMenu, kEditMenu, kMonitorMenu, kSetMenu, kWindowMenu, kOpenMenu, kHelpMenu };

// In which menu resources a row's item appears, and a separator above it.
enum : unsigned {
    sep = 1u,
    m2 = 1u << 2,
    m3 = 1u << 3,
    m4 = 1u << 4,
    m34 = m3 | m4,
    mAll = m2 | m3 | m4,
};

struct FrameCommand {
    int id;
    const char* text;    // nullptr: the string table's About text; "": no menu item or key
    const char* keys;    // "; " between two
    FrameMenu menu;
    unsigned where;
    void (*handler)(CMainFrame& f);

    bool InMenu(int resource) const { return menu != kNoMenu && (where & (1u << resource)) != 0; }
};
