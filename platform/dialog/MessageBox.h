#pragma once

#include <functional>
#include <string>

class QWidget;

enum class MessageIcon { Exclamation, Stop };

// What a message box showed or would have shown. Texts are GBK.
struct MessageRecord {
    std::string text;
    MessageIcon icon;
    std::string title;
};

// Every message box of the program goes through here: one OK button, the given
// icon, titled with the program file's name without its extension.
void ShowMessageBox(QWidget* owner, const std::string& text,
                    MessageIcon icon = MessageIcon::Exclamation);

// The title every message box carries (GBK).
std::string ProgramTitle();

// Tests replace the box with a recorder; an empty hook restores the real box.
using MessageBoxHook = std::function<void(const MessageRecord&)>;
void SetMessageBoxHook(MessageBoxHook hook);
