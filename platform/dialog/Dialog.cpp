#include "platform/dialog/Dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <new>

#include "platform/dialog/AccessibleNames.h"
#include "platform/dialog/ControlFactory.h"
#include "platform/dialog/DataExchange.h"
#include "platform/dialog/DialogWindow.h"
#include "platform/dialog/DropDownPlace.h"
#include "platform/dialog/HostedControl.h"
#include "platform/dialog/WidgetText.h"
#include "platform/text/Gbk.h"
#include "platform/threads/ThreadCheck.h"

namespace {

// Counts a running exchange; clicks that arrive meanwhile are dropped.
class ExchangeScope {
public:
    explicit ExchangeScope(int& depth) : depth_(depth) { ++depth_; }
    ~ExchangeScope() { --depth_; }

private:
    int& depth_;
};

}  // namespace

CDialog::CDialog(const DialogTemplate& tmpl, CDialog* owner) : tmpl_(tmpl), owner_(owner) {}

CDialog::~CDialog() {
    DestroyWindow();
}

QDialog* CDialog::window() const {
    return window_;
}

int CDialog::DoModal() {
    if (!Create()) {
        return -1;
    }
    if (!ended_) {
        Centre();
        window_->exec();
    }
    const int result = result_;
    DestroyWindow();
    return result;
}

bool CDialog::Create() {
    DestroyWindow();
    ended_ = false;
    result_ = 0;
    window_ = new DialogWindow(this, owner_ ? owner_->window() : nullptr);
    window_->setObjectName(QStringLiteral("IDD_%1").arg(tmpl_.resourceId));
    const QFont font = DialogFont(tmpl_.fontFace, tmpl_.pointSize);
    window_->setFont(font);
    units_ = DialogBaseUnits::FromFont(window_->font());
    window_->setWindowTitle(QString::fromUtf8(tmpl_.caption));
    window_->setFixedSize(units_.ToPixelsX(tmpl_.cx), units_.ToPixelsY(tmpl_.cy));
    if (!CreateControls()) {
        DestroyWindow();
        return false;
    }
    NameForAssistiveTechnology(*this);
    if (OnInitDialog() && !ended_) {
        // The first control in tab order that takes the focus gets it.
        for (const ControlTemplate& item : tmpl_.controls) {
            QWidget* w = GetDlgItem(item.id);
            if (w && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled()) {
                w->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    }
    return true;
}

void CDialog::DestroyWindow() {
    RequireOwnerThread(window_, "CDialog::DestroyWindow");
    if (!window_) {
        return;
    }
    OnDestroy();
    DialogWindow* w = window_;
    window_ = nullptr;
    items_.clear();
    radioGroups_.clear();
    shownText_.clear();
    delete w;
}

void CDialog::EndDialog(int result) {
    RequireOwnerThread(window_, "CDialog::EndDialog");
    ended_ = true;
    result_ = result;
    if (window_ && window_->isVisible()) {
        window_->done(result);
    }
}

bool CDialog::CreateControls() {
    QButtonGroup* group = nullptr;
    std::vector<QWidget*> groupBoxes;
    for (const ControlTemplate& item : tmpl_.controls) {
        if (item.styles & kStartsGroup) {
            group = nullptr;
        }
        QWidget* w = CreateControl(item, window_);
        if (!w) {
            return false;
        }
        if (item.kind == ControlKind::RadioButton) {
            if (!group) {
                group = new QButtonGroup(window_);
                group->setExclusive(true);
            }
            group->addButton(static_cast<QRadioButton*>(w));
            radioGroups_[item.id] = group;
        }
        if (item.kind == ControlKind::GroupBox) {
            groupBoxes.push_back(w);
        }
        const QRect r = units_.ToPixels(item.x, item.y, item.cx, item.cy);
        if (item.kind == ControlKind::DropDownList) {
            PlaceDropDownList(static_cast<QComboBox*>(w), r);
        } else {
            w->setGeometry(r);
        }
        if (item.id != 0) {
            items_[item.id] = w;
        }
    }
    // A group box is only a frame: controls inside it must get the mouse even
    // when the template lists the box after them.
    for (QWidget* box : groupBoxes) {
        box->lower();
    }
    return true;
}

void CDialog::Centre() {
    if (!window_) {
        return;
    }
    QRect area;
    if (owner_ && owner_->window()) {
        area = owner_->window()->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        QRect frame = window_->frameGeometry();
        frame.moveCenter(area.center());
        window_->move(frame.topLeft());
    }
}

QWidget* CDialog::GetDlgItem(int id) const {
    RequireOwnerThread(window_, "CDialog::GetDlgItem");
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : it->second.data();
}

void CDialog::SetDlgItemText(int id, const std::string& text) {
    RequireOwnerThread(window_, "CDialog::SetDlgItemText");
    QWidget* w = GetDlgItem(id);
    if (!w) {
        return;
    }
    SetWidgetText(w, gbk::ToQt(text));
    // Keep the bytes: a widget may show a text differently from how it was
    // given (line ends, bytes GBK cannot show), and reading it back must not
    // change the data.
    shownText_[id] = ShownText{text, WidgetText(w)};
}

std::string CDialog::GetDlgItemText(int id) const {
    RequireOwnerThread(window_, "CDialog::GetDlgItemText");
    QWidget* w = GetDlgItem(id);
    if (!w) {
        return std::string();
    }
    const QString now = WidgetText(w);
    auto it = shownText_.find(id);
    if (it != shownText_.end() && it->second.shown == now) {
        return it->second.bytes;
    }
    return gbk::ToBytes(now);
}

void CDialog::EnableItem(int id, bool enable) {
    RequireOwnerThread(window_, "CDialog::EnableItem");
    if (QWidget* w = GetDlgItem(id)) {
        w->setEnabled(enable);
    }
}

bool CDialog::IsItemEnabled(int id) const {
    RequireOwnerThread(window_, "CDialog::IsItemEnabled");
    QWidget* w = GetDlgItem(id);
    return w && w->isEnabled();
}

void CDialog::FocusAndSelectAll(int id) {
    RequireOwnerThread(window_, "CDialog::FocusAndSelectAll");
    QWidget* w = GetDlgItem(id);
    if (!w) {
        return;
    }
    w->setFocus(Qt::OtherFocusReason);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->selectAll();
    } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        e->selectAll();
    } else if (auto* c = qobject_cast<QComboBox*>(w); c && c->lineEdit()) {
        c->lineEdit()->selectAll();
    }
}

void CDialog::SetIcon(const QIcon& icon, bool /*big*/) {
    RequireOwnerThread(window_, "CDialog::SetIcon");
    // One Qt icon carries both sizes; the platform picks the one it needs.
    if (window_) {
        window_->setWindowIcon(icon);
    }
}

void CDialog::Invalidate(bool /*erase*/) {
    RequireOwnerThread(window_, "CDialog::Invalidate");
    if (window_) {
        window_->update();
    }
}

bool CDialog::IsIconic() const {
    RequireOwnerThread(window_, "CDialog::IsIconic");
    return window_ && window_->isMinimized();
}

QRect CDialog::GetClientRect() const {
    RequireOwnerThread(window_, "CDialog::GetClientRect");
    return window_ ? window_->rect() : QRect();
}

void CDialog::MessageBox(const std::string& text, MessageIcon icon) {
    RequireOwnerThread(window_, "CDialog::MessageBox");
    ShowMessageBox(window_, text, icon);
}

QButtonGroup* CDialog::RadioGroupOf(int firstId) const {
    auto it = radioGroups_.find(firstId);
    return it == radioGroups_.end() ? nullptr : it->second;
}

bool CDialog::UpdateData(bool saveAndValidate) {
    RequireOwnerThread(window_, "CDialog::UpdateData");
    ExchangeScope scope(exchangeDepth_);
    try {
        CDataExchange dx(this, saveAndValidate);
        DoDataExchange(dx);
        return true;
    } catch (const CDataExchange::Failure&) {
        return false;
    } catch (const std::bad_alloc&) {
        MessageBox(gbk::Text("内存不足。"));
        return false;
    } catch (const std::exception&) {
        MessageBox(gbk::Text("内部应用程序出错。"));
        return false;
    }
}

void CDialog::RunCommand(int id) {
    RequireOwnerThread(window_, "CDialog::RunCommand");
    if (exchangeDepth_ > 0) {
        return;
    }
    DispatchCommand(id);
}

void CDialog::DispatchCommand(int id) {
    try {
        if (!OnCommand(id)) {
            if (id == IDOK) {
                OnOK();
            } else if (id == IDCANCEL) {
                OnCancel();
            }
        }
    } catch (const ControlError& error) {
        MessageBox(error.description(), MessageIcon::Stop);
    } catch (const std::bad_alloc&) {
        MessageBox(gbk::Text("内存不足。"), MessageIcon::Stop);
    } catch (const std::exception&) {
        MessageBox(gbk::Text("内部应用程序出错。"), MessageIcon::Stop);
    }
}

void CDialog::DispatchEvent(int id, int eventNumber) {
    RequireOwnerThread(window_, "CDialog::DispatchEvent");
    // An error during an event goes back to the control that raised it; the
    // operator is not told.
    try {
        OnControlEvent(id, eventNumber);
    } catch (const std::exception&) {
    }
}

void CDialog::DoDataExchange(CDataExchange&) {}

bool CDialog::OnInitDialog() {
    if (!UpdateData(false)) {
        EndDialog(-1);
    }
    return true;
}

void CDialog::OnOK() {
    if (UpdateData(true)) {
        EndDialog(IDOK);
    }
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(int) {
    return false;
}

bool CDialog::OnControlEvent(int, int) {
    return false;
}

void CDialog::OnPaint(QPainter&) {}

void CDialog::OnDestroy() {}
