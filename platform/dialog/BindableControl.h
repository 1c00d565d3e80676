#pragma once

class QWidget;

// A member object that the data exchange binds to a dialog control, after
// which the member operates that control.
class BindableControl {
public:
    virtual ~BindableControl() = default;
    // Attaches to the control's widget; false when the widget is of the wrong kind.
    virtual bool AttachWidget(QWidget* widget) = 0;
    virtual bool IsBound() const = 0;
};
