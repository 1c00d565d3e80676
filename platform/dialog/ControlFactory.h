#pragma once

class DialogWindow;
class QWidget;
struct ControlTemplate;

// The widget for one template item, a child of the window. Buttons and boxes
// send their clicks to the window's Command, a hosted control its events to the
// window's ControlEvent. Null when the item cannot be created: a hosted
// control whose class is not registered.
QWidget* CreateControl(const ControlTemplate& item, DialogWindow* window);
