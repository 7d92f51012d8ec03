#pragma once
// Creates the window a view shows, by window kind.
class CChildWnd;
class CQelApp;
class QWidget;
class UserPrompt;
struct ViewServices;

// The map window (1), the HEX window (2), the table window (3) or the 3D
// window (4); nullptr
// for any other kind, and for a kind this build has no window for.
CChildWnd* CreateChildWnd(int kind, CQelApp& app, UserPrompt& prompt, ViewServices& services,
                          QWidget* parent);
bool ChildWndKindAvailable(int kind);
