#include "platform/dialog/DataExchange.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>

#include "platform/dialog/BindableControl.h"
#include "platform/dialog/Dialog.h"
#include "platform/text/Gbk.h"
#include "platform/text/IntegerText.h"
#include "platform/text/SharedText.h"

namespace {
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}
}  // namespace

void CDataExchange::Fail() {
    if (lastField_ != 0) {
        dialog_->FocusAndSelectAll(lastField_);
    }
    throw Failure{};
}

void CDataExchange::FailWith(const std::string& message) {
    dialog_->MessageBox(message);
    throw Failure{};
}

void CDataExchange::Binding(int id, BindableControl& member) {
    if (member.IsBound()) {
        return;
    }
    QWidget* widget = dialog_->GetDlgItem(id);
    if (!widget || !member.AttachWidget(widget)) {
        FailWith(gbk::Text("试图执行系统不支持的操作。"));
    }
}

void CDataExchange::IntegerText(int id, int& member) {
    PrepareField(id);
    if (m_bSaveAndValidate) {
        std::optional<int32_t> value = integer_text::Parse(dialog_->GetDlgItemText(id));
        if (!value) {
            dialog_->MessageBox(gbk::Text("请键入一个整数。"));
            Fail();
        }
        member = *value;
    } else {
        const std::string text = integer_text::Format(member);
        if (dialog_->GetDlgItemText(id) != text) {
            dialog_->SetDlgItemText(id, text);
        }
    }
}

void CDataExchange::IntegerText(int id, std::atomic<int>& member) {
    int value = member.load();
    IntegerText(id, value);
    member.store(value);
}

void CDataExchange::RangeCheck(int& member, int minimum, int maximum) {
    if (!m_bSaveAndValidate) {
        return;
    }
    if (member < minimum || member > maximum) {
        std::string message = gbk::Text("“请填入一个在%1和%2之间的整数。”");
        message = ReplaceAll(message, "%1", std::to_string(minimum));
        message = ReplaceAll(message, "%2", std::to_string(maximum));
        dialog_->MessageBox(message);
        Fail();
    }
}

void CDataExchange::RangeCheck(std::atomic<int>& member, int minimum, int maximum) {
    int value = member.load();
    RangeCheck(value, minimum, maximum);
}

void CDataExchange::Text(int id, std::string& member) {
    PrepareField(id);
    if (m_bSaveAndValidate) {
        member = dialog_->GetDlgItemText(id);
    } else if (dialog_->GetDlgItemText(id) != member) {
        dialog_->SetDlgItemText(id, member);
    }
}

void CDataExchange::Text(int id, SharedText& member) {
    std::string value = member.Get();
    Text(id, value);
    if (m_bSaveAndValidate) {
        member.Set(std::move(value));
    }
}

void CDataExchange::CheckBox(int id, int& member) {
    auto* box = qobject_cast<QCheckBox*>(dialog_->GetDlgItem(id));
    if (!box) {
        FailWith(gbk::Text("试图执行系统不支持的操作。"));
    }
    if (m_bSaveAndValidate) {
        switch (box->checkState()) {
            case Qt::Unchecked:
                member = 0;
                break;
            case Qt::Checked:
                member = 1;
                break;
            case Qt::PartiallyChecked:
                member = 2;
                break;
        }
        return;
    }
    if (member < 0 || member > 2) {
        member = 0;
    }
    box->setTristate(member == 2);
    box->setCheckState(member == 0 ? Qt::Unchecked
                                   : (member == 1 ? Qt::Checked : Qt::PartiallyChecked));
}

void CDataExchange::CheckBox(int id, std::atomic<int>& member) {
    int value = member.load();
    CheckBox(id, value);
    member.store(value);
}

void CDataExchange::RadioGroup(int firstId, int& member) {
    QButtonGroup* group = dialog_->RadioGroupOf(firstId);
    if (!group) {
        FailWith(gbk::Text("试图执行系统不支持的操作。"));
    }
    const QList<QAbstractButton*> buttons = group->buttons();
    if (m_bSaveAndValidate) {
        member = -1;
        for (int i = 0; i < buttons.size(); ++i) {
            if (buttons[i]->isChecked()) {
                member = i;
                break;
            }
        }
        return;
    }
    // An exclusive group will not clear its last checked button.
    group->setExclusive(false);
    for (int i = 0; i < buttons.size(); ++i) {
        buttons[i]->setChecked(i == member);
    }
    group->setExclusive(true);
}
