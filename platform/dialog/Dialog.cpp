#include "platform/dialog/Dialog.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <climits>
#include <new>

#include "platform/dialog/DataExchange.h"
#include "platform/dialog/DropDownAccessible.h"
#include "platform/dialog/HostedControl.h"
#include "platform/text/Gbk.h"

// The Qt window behind a CDialog: it turns keys, the close box and painting
// into the dialog's commands and handlers.
class DialogWindow : public QDialog {
public:
    DialogWindow(CDialog* dialog, QWidget* owner) : QDialog(owner), dialog_(dialog) {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    }

    // Enter in an edit that would keep it for itself still means OK.
    void WatchEnter(QWidget* widget) { widget->installEventFilter(this); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                event->accept();
                if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
                    if (button->isEnabled()) {
                        button->click();
                    }
                } else {
                    dialog_->PostCommand(IDOK);
                }
                return;
            case Qt::Key_Escape:
                event->accept();
                dialog_->PostCommand(IDCANCEL);
                return;
            default:
                QDialog::keyPressEvent(event);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                !(key->modifiers() & Qt::ControlModifier)) {
                dialog_->PostCommand(IDOK);
                return true;
            }
        }
        return QDialog::eventFilter(watched, event);
    }

    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        dialog_->PostCommand(IDCANCEL);
    }

    void reject() override { dialog_->PostCommand(IDCANCEL); }
    void accept() override { dialog_->PostCommand(IDOK); }

    void paintEvent(QPaintEvent* event) override {
        QDialog::paintEvent(event);
        QPainter painter(this);
        dialog_->PaintEvent(painter);
    }

private:
    CDialog* dialog_;
};

namespace {

// Counts a running exchange; clicks that arrive meanwhile are dropped.
class ExchangeScope {
public:
    explicit ExchangeScope(int& depth) : depth_(depth) { ++depth_; }
    ~ExchangeScope() { --depth_; }

private:
    int& depth_;
};

bool IsTextField(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::MultiLineEdit ||
           kind == ControlKind::DropDownList;
}

QString WidgetText(const QWidget* w) {
    if (auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    if (auto* e = qobject_cast<const QPlainTextEdit*>(w))
        return e->toPlainText();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentText();
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    return w->windowTitle();
}

void SetWidgetText(QWidget* w, const QString& text) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
        e->setCursorPosition(0);
    } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        e->setPlainText(text);
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(text);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(text);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->setEditText(text);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(text);
    } else {
        w->setWindowTitle(text);
    }
}

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
    NameForAssistiveTechnology();
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
        QRect r = units_.ToPixels(item.x, item.y, item.cx, item.cy);
        if (item.kind == ControlKind::DropDownList) {
            // The template's height includes the dropped-down part.
            r.setHeight(std::min(r.height(), w->sizeHint().height()));
        }
        w->setGeometry(r);
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

QWidget* CDialog::CreateControl(const ControlTemplate& item, QWidget* parent) {
    const QString caption = QString::fromUtf8(item.caption ? item.caption : "");
    const int id = item.id;
    switch (item.kind) {
        case ControlKind::PushButton: {
            auto* b = new QPushButton(caption, parent);
            b->setAutoDefault(false);
            b->setDefault(false);
            b->setFocusPolicy(Qt::StrongFocus);
            QObject::connect(b, &QPushButton::clicked, parent, [this, id] { PostCommand(id); });
            return b;
        }
        case ControlKind::Edit: {
            auto* e = new QLineEdit(parent);
            e->setMaxLength(INT_MAX);
            e->setFrame(true);
            return e;
        }
        case ControlKind::MultiLineEdit: {
            auto* e = new QPlainTextEdit(parent);
            e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            e->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            e->setTabChangesFocus(true);
            window_->WatchEnter(e);
            return e;
        }
        case ControlKind::DropDownList: {
            InstallDropDownAccessibility();
            auto* c = new QComboBox(parent);
            c->setProperty("tessalineDialogList", true);
            c->setEditable(true);
            c->setInsertPolicy(QComboBox::NoInsert);
            c->setCompleter(nullptr);
            c->setFocusPolicy(Qt::StrongFocus);
            window_->WatchEnter(c);
            if (c->lineEdit()) {
                window_->WatchEnter(c->lineEdit());
            }
            // Assistive technology picks an entry by selecting it in the list
            // while the list is closed; that choice becomes the selection.
            QObject::connect(
                c->view()->selectionModel(), &QItemSelectionModel::selectionChanged, c, [c] {
                    if (c->view()->isVisible()) {
                        return;
                    }
                    const QModelIndexList rows = c->view()->selectionModel()->selectedRows();
                    if (rows.size() == 1 && rows[0].row() != c->currentIndex()) {
                        c->setCurrentIndex(rows[0].row());
                    }
                });
            return c;
        }
        case ControlKind::CheckBox: {
            auto* b = new QCheckBox(caption, parent);
            b->setFocusPolicy(Qt::StrongFocus);
            QObject::connect(b, &QCheckBox::clicked, parent, [this, id] { PostCommand(id); });
            return b;
        }
        case ControlKind::RadioButton: {
            auto* b = new QRadioButton(caption, parent);
            b->setAutoExclusive(false);
            b->setFocusPolicy(Qt::ClickFocus);
            QObject::connect(b, &QRadioButton::clicked, parent, [this, id] { PostCommand(id); });
            return b;
        }
        case ControlKind::GroupBox: {
            auto* g = new QGroupBox(caption, parent);
            g->setAttribute(Qt::WA_TransparentForMouseEvents);
            g->setFocusPolicy(Qt::NoFocus);
            return g;
        }
        case ControlKind::Label: {
            auto* l = new QLabel(caption, parent);
            l->setTextFormat(Qt::PlainText);
            l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            l->setWordWrap(true);
            return l;
        }
        case ControlKind::ControlSite: {
            HostedControl* c = CreateHostedControl(item.caption ? item.caption : "", parent);
            if (!c) {
                return nullptr;
            }
            QObject::connect(c, &HostedControl::controlEvent, parent,
                             [this, id](int eventNumber) { DispatchEvent(id, eventNumber); });
            return c;
        }
    }
    return nullptr;
}

void CDialog::NameForAssistiveTechnology() {
    for (const ControlTemplate& item : tmpl_.controls) {
        if (item.id == 0) {
            continue;
        }
        QWidget* w = GetDlgItem(item.id);
        if (!w) {
            continue;
        }
        w->setObjectName(QString::fromUtf8(item.idName));
        w->setAccessibleDescription(QString::fromUtf8(item.idName));
        if (!IsTextField(item.kind)) {
            continue;
        }
        // The label just left of a field, on the same row, names it.
        const ControlTemplate* best = nullptr;
        for (const ControlTemplate& label : tmpl_.controls) {
            if (label.kind != ControlKind::Label || label.id != 0) {
                continue;
            }
            const int gap = item.x - (label.x + label.cx);
            const bool sameRow = label.y < item.y + item.cy && item.y < label.y + label.cy;
            if (sameRow && gap >= -4 && gap <= 12 && label.x < item.x &&
                (!best || label.x > best->x)) {
                best = &label;
            }
        }
        if (best) {
            w->setAccessibleName(QString::fromUtf8(best->caption));
            for (QLabel* l :
                 window_->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (l->text() == QString::fromUtf8(best->caption) &&
                    l->geometry() == units_.ToPixels(best->x, best->y, best->cx, best->cy)) {
                    l->setBuddy(w);
                }
            }
        }
    }
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
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : it->second.data();
}

void CDialog::SetDlgItemText(int id, const std::string& text) {
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
    if (QWidget* w = GetDlgItem(id)) {
        w->setEnabled(enable);
    }
}

bool CDialog::IsItemEnabled(int id) const {
    QWidget* w = GetDlgItem(id);
    return w && w->isEnabled();
}

void CDialog::FocusAndSelectAll(int id) {
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
    // One Qt icon carries both sizes; the platform picks the one it needs.
    if (window_) {
        window_->setWindowIcon(icon);
    }
}

void CDialog::Invalidate(bool /*erase*/) {
    if (window_) {
        window_->update();
    }
}

bool CDialog::IsIconic() const {
    return window_ && window_->isMinimized();
}

QRect CDialog::GetClientRect() const {
    return window_ ? window_->rect() : QRect();
}

void CDialog::MessageBox(const std::string& text, MessageIcon icon) {
    ShowMessageBox(window_, text, icon);
}

QButtonGroup* CDialog::RadioGroupOf(int firstId) const {
    auto it = radioGroups_.find(firstId);
    return it == radioGroups_.end() ? nullptr : it->second;
}

bool CDialog::UpdateData(bool saveAndValidate) {
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

void CDialog::PostCommand(int id) {
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
