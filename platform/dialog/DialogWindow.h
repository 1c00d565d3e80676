#pragma once

#include <QDialog>

class CDialog;

// The Qt window behind a CDialog: it turns keys, the close box, painting and
// its controls' signals into the dialog's commands and handlers.
class DialogWindow : public QDialog {
public:
    DialogWindow(CDialog* dialog, QWidget* owner);

    // Enter in an edit that would keep it for itself still means OK; in a
    // multi-line edit Ctrl+Enter breaks the line.
    void WatchEnter(QWidget* widget) { widget->installEventFilter(this); }

    // A control was clicked: the dialog runs its command.
    void Command(int id);
    // A hosted control raised an event: the dialog routes it through its event table.
    void ControlEvent(int id, int eventNumber);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void accept() override;
    void paintEvent(QPaintEvent* event) override;

private:
    CDialog* dialog_;
};
