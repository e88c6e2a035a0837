// Where the settings passes switch dialog controls and settings-tree items on and off. A pass
// talks to an ItemSwitches; the window-backed one comes with the property pages, the recording
// one below keeps the last state of every id (passes whose effects are read back).
#pragma once

#include <map>

#include "win/base.h"

namespace orla {

struct ItemSwitches {
    void* owner;
    BOOL hasDialog;  // some rules run only while a dialog shows them
    void (*enableControl)(void* owner, int controlId, BOOL enable);
    void (*enableTreeItem)(void* owner, int itemId, BOOL enable);
};

// Control and tree-item states as a pass left them.
struct SwitchedItems {
    std::map<int, BOOL> controls;
    std::map<int, BOOL> treeItems;

    // Switches that record here; asDialog says whether they stand for a dialog.
    ItemSwitches Switches(BOOL asDialog = TRUE);
    // TRUE when the id was switched and left enabled, FALSE when left disabled.
    bool ControlOn(int id) const { return controls.at(id) != FALSE; }
    bool TreeItemOn(int id) const { return treeItems.at(id) != FALSE; }
};

inline void EnableItem(const ItemSwitches* items, int controlId, BOOL enable) {
    if (items && items->enableControl) items->enableControl(items->owner, controlId, enable);
}
inline void EnableTreeItem(const ItemSwitches* items, int itemId, BOOL enable) {
    if (items && items->enableTreeItem) items->enableTreeItem(items->owner, itemId, enable);
}

inline ItemSwitches SwitchedItems::Switches(BOOL asDialog) {
    return {this, asDialog, [](void* owner, int id, BOOL on) { static_cast<SwitchedItems*>(owner)->controls[id] = on; },
            [](void* owner, int id, BOOL on) { static_cast<SwitchedItems*>(owner)->treeItems[id] = on; }};
}

}  // namespace orla
