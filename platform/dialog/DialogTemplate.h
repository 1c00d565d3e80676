#pragma once

#include <vector>

// A dialog described as a table, the way the program's resources hold it.
// Controls are created in table order, which is also the tab order.

enum class ControlKind {
    PushButton,
    Edit,           // one-line, bordered, scrolls horizontally
    MultiLineEdit,  // bordered, wraps at its right edge, no scroll bars
    DropDownList,   // editable text field over a list kept sorted
    CheckBox,       // automatic
    RadioButton,    // automatic, grouped from a StartsGroup item to the next
    GroupBox,
    Label,
    ControlSite,  // a hosted control, created by class name
};

enum ControlStyle : unsigned {
    kNoStyle = 0,
    kStartsGroup = 1u << 0,
};

struct ControlTemplate {
    int id;              // 0 for a static control without an id
    const char* idName;  // "IDC_SENDTEXT"; empty for static controls
    ControlKind kind;
    const char* caption;  // UTF-8; for a ControlSite, the hosted control's class name
    int x, y, cx, cy;     // dialog units; a list's height includes its dropped-down part
    unsigned styles = kNoStyle;
};

struct DialogTemplate {
    int resourceId;
    const char* caption;   // UTF-8
    int cx, cy;            // client size in dialog units
    const char* fontFace;  // UTF-8, e.g. "宋体"
    int pointSize;
    std::vector<ControlTemplate> controls;

    const ControlTemplate* Find(int id) const;
};

// An item with an id: CTL(IDC_OPEN, PushButton, "OPEN", 14, 157, 30, 17)
#define TESSALINE_CTL(id, kind, caption, x, y, cx, cy, ...)              \
    ControlTemplate {                                                    \
        id, #id, ControlKind::kind, caption, x, y, cx, cy, ##__VA_ARGS__ \
    }
// A static item without an id.
#define TESSALINE_STATIC(kind, caption, x, y, cx, cy)             \
    ControlTemplate {                                             \
        0, "", ControlKind::kind, caption, x, y, cx, cy, kNoStyle \
    }
