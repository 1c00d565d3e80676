#include "platform/dialog/MessageBox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

#include "platform/text/Gbk.h"

namespace {
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
}  // namespace

std::string ProgramTitle() {
    QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty()) {
        path = QCoreApplication::applicationName();
    }
    return gbk::ToBytes(QFileInfo(path).completeBaseName());
}

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

void ShowMessageBox(QWidget* owner, const std::string& text, MessageIcon icon) {
    MessageRecord record{text, icon, ProgramTitle()};
    if (Hook()) {
        Hook()(record);
        return;
    }
    QMessageBox box(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::Warning,
                    gbk::ToQt(record.title), gbk::ToQt(record.text), QMessageBox::Ok, owner);
    box.setObjectName("MessageBox");
    box.exec();
}
