#pragma once

#include <atomic>
#include <stdexcept>
#include <string>

class BindableControl;
class CDialog;
class SharedText;

// One run of a dialog's data exchange: an ordered list of control and member
// pairs, run controls to members (with validation) or members to controls.
// A pair that fails shows its message, moves the focus to its field and ends the
// run; the pairs after it are not exchanged.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate)
        : dialog_(dialog), m_bSaveAndValidate(saveAndValidate) {}

private:
    CDialog* dialog_;

public:
    const bool m_bSaveAndValidate;

    // Binds the member to the control on first use; a bound member is left alone.
    void Binding(int id, BindableControl& member);
    // Decimal text of a 32-bit integer; the refresh rejects what is not one.
    void IntegerText(int id, int& member);
    void IntegerText(int id, std::atomic<int>& member);
    // Applies to the field of the preceding pair; only checked on refresh.
    void RangeCheck(int& member, int minimum, int maximum);
    void RangeCheck(std::atomic<int>& member, int minimum, int maximum);
    void Text(int id, std::string& member);
    void Text(int id, SharedText& member);
    // 0 clear, 1 ticked, 2 indeterminate.
    void CheckBox(int id, int& member);
    void CheckBox(int id, std::atomic<int>& member);
    // The group that starts at firstId: -1 for none checked, else the position
    // of the checked button.
    void RadioGroup(int firstId, int& member);

    // The failure step: focus and select the last field, stop the exchange.
    [[noreturn]] void Fail();

    // Thrown by Fail(); UpdateData turns it into false.
    struct Failure {};

private:
    void PrepareField(int id) { lastField_ = id; }
    [[noreturn]] void FailWith(const std::string& message);
    int lastField_ = 0;
};
