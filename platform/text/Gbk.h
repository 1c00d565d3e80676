#pragma once

#include <QString>
#include <string>

// Texts are 8-bit strings in code page 936 (GBK). They become Qt strings only at
// the widget boundary, and only through these two functions.
namespace gbk {

// Decodes GBK bytes for display. Bytes that are not valid GBK map to private-use
// characters so that ToBytes gives them back unchanged.
QString ToQt(const std::string& bytes);

// True for a character ToQt made of a byte that is not valid GBK.
bool IsUndecodedByte(QChar c);

// Encodes a Qt string as GBK bytes. Characters GBK cannot hold become '?'.
std::string ToBytes(const QString& text);

// A GBK text from a UTF-8 literal in our sources: Text("保存成功！").
std::string Text(const char* utf8);

// True when byte b starts a two-byte GBK character.
inline bool IsLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

}  // namespace gbk
