#include "edit/gui/ChildWndFactory.h"

#include "edit/gui/ChildWnd.h"
#include "edit/gui/HexWnd.h"
#include "edit/gui/Map3DWnd.h"
#include "edit/gui/TableWnd.h"

// The map window joins here once its header exists.
#if __has_include("edit/gui/MapWnd.h")
#include "edit/gui/MapWnd.h"
#define RV_HAVE_MAP_WND 1
#else
#define RV_HAVE_MAP_WND 0
#endif

bool ChildWndKindAvailable(int kind) {
    switch (kind) {
        case kWindowMap: return RV_HAVE_MAP_WND != 0;
        case kWindowHex:
        case kWindowTable:
        case kWindowSurface: return true;
        default: return false;
    }
}

CChildWnd* CreateChildWnd(int kind, CQelApp& app, UserPrompt& prompt, ViewServices& services,
                          QWidget* parent) {
    switch (kind) {
#if RV_HAVE_MAP_WND
        case kWindowMap: return new CMapWnd(app, prompt, services, parent);
#endif
        case kWindowHex: return new CHexWnd(app, prompt, services, parent);
        case kWindowTable: return new CTableWnd(app, prompt, services, parent);
        case kWindowSurface: return new CMap3DWnd(app, prompt, services, parent);
        default: return nullptr;
    }
}
