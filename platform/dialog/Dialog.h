#pragma once

#include <QIcon>
#include <QPointer>
#include <QRect>
#include <QString>
#include <map>
#include <string>
#include <vector>

#include "platform/dialog/DialogTemplate.h"
#include "platform/dialog/DialogUnits.h"
#include "platform/dialog/MessageBox.h"

class QDialog;
class QPainter;
class QWidget;
class QButtonGroup;
class CDataExchange;
class DialogWindow;

// Command ids that every dialog understands.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// A dialog built from a template: controls created in template order, found by
// id, exchanged with members, and run modally. Derived dialogs keep their state
// as members and route clicks through a command table. A dialog is used only on
// its window's thread: checked builds stop a call from another thread.
class CDialog {
public:
    CDialog(const DialogTemplate& tmpl, CDialog* owner = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates, initialises and shows the dialog, then runs it until EndDialog.
    // Returns the result given to EndDialog, or -1 when it could not be created.
    int DoModal();
    // Creates and initialises the dialog without running it (tests use this).
    // False when creation failed; the dialog is then already destroyed.
    bool Create();
    // Destroys the window and every control in it.
    void DestroyWindow();
    // Ends a modal run with the given result.
    void EndDialog(int result);
    bool IsCreated() const { return window_ != nullptr; }
    bool IsEnded() const { return ended_; }
    int Result() const { return result_; }

    // The dialog data exchange: true runs it controls to members with
    // validation, false members to controls. False when a pair failed.
    bool UpdateData(bool saveAndValidate);

    // Controls by id.
    QWidget* GetDlgItem(int id) const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    void EnableItem(int id, bool enable);
    bool IsItemEnabled(int id) const;
    // Moves the keyboard focus to a control and, for an edit, selects all its text.
    void FocusAndSelectAll(int id);

    // Window operations.
    QDialog* window() const;
    void SetIcon(const QIcon& icon, bool big);
    void Invalidate(bool erase = true);
    bool IsIconic() const;
    QRect GetClientRect() const;
    const DialogBaseUnits& BaseUnits() const { return units_; }
    const DialogTemplate& Template() const { return tmpl_; }

    // The program's standard message box, owned by this dialog.
    void MessageBox(const std::string& text, MessageIcon icon = MessageIcon::Exclamation);

    // Runs a command (a click, or IDOK/IDCANCEL) at once, as the window does,
    // and returns when its handler has. A click that arrives while a data
    // exchange runs is ignored.
    void RunCommand(int id);

protected:
    virtual void DoDataExchange(CDataExchange& dx);
    // Default: writes the members to the controls. Returning true lets the
    // focus go to the first control that takes it.
    virtual bool OnInitDialog();
    // Default: refresh, and end with 1 when it succeeded.
    virtual void OnOK();
    // Default: end with 2, without a refresh.
    virtual void OnCancel();
    // The command table: true when the id has a handler.
    virtual bool OnCommand(int id);
    // The event table of hosted controls: true when routed.
    virtual bool OnControlEvent(int id, int eventNumber);
    // Painting; the painter is valid only during the call. Default: nothing
    // beyond the window's own background and controls.
    virtual void OnPaint(QPainter& painter);
    // Called before the window and its controls are destroyed.
    virtual void OnDestroy();

    // Command and event tables of derived dialogs.
    template <class D>
    struct CommandEntry {
        int id;
        void (D::*handler)();
    };
    template <class D>
    struct EventEntry {
        int id;
        int eventNumber;
        void (D::*handler)();
    };
    template <class D, size_t N>
    static bool RouteCommand(D* self, const CommandEntry<D> (&table)[N], int id) {
        for (const auto& entry : table) {
            if (entry.id == id) {
                (self->*entry.handler)();
                return true;
            }
        }
        return false;
    }
    template <class D, size_t N>
    static bool RouteEvent(D* self, const EventEntry<D> (&table)[N], int id, int eventNumber) {
        for (const auto& entry : table) {
            if (entry.id == id && entry.eventNumber == eventNumber) {
                (self->*entry.handler)();
                return true;
            }
        }
        return false;
    }

private:
    friend class DialogWindow;
    friend class CDataExchange;

    struct ShownText {
        std::string bytes;  // what the program set
        QString shown;      // what the widget showed right after
    };

    bool CreateControls();
    void DispatchCommand(int id);
    void DispatchEvent(int id, int eventNumber);
    void PaintEvent(QPainter& painter) { OnPaint(painter); }
    void Centre();
    QButtonGroup* RadioGroupOf(int firstId) const;

    const DialogTemplate& tmpl_;
    CDialog* owner_;
    DialogBaseUnits units_;
    DialogWindow* window_ = nullptr;
    std::map<int, QPointer<QWidget>> items_;
    std::map<int, QButtonGroup*> radioGroups_;  // keyed by each member's id
    std::map<int, ShownText> shownText_;
    int exchangeDepth_ = 0;
    bool ended_ = false;
    int result_ = 0;
};
