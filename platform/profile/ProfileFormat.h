#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The profile file format, read and edited in memory as bytes: "[section]"
// header lines and "key=value" lines. Texts are GBK and pass through unchanged.
//
// Reading: CR, LF and CRLF line ends; blanks and tabs around names and values
// are ignored; one pair of matching quotes (' or ") around a whole value is
// removed; lines starting with ";" are comments; lines without "=" and lines
// before the first section are ignored; of duplicates the first section and,
// in it, the first key count.
//
// Editing changes or adds exactly one line; every other byte stays as it was.
namespace profile {

// Section and key names match with ASCII letters compared regardless of case.
// The second byte of a two-byte character is compared exactly: in GBK it may
// be a letter that must not be folded.
bool NamesEqual(std::string_view a, std::string_view b);

// The value a reader gets; nullopt when the section or the key is missing.
std::optional<std::string> FindValue(const std::string& content, const std::string& section,
                                     const std::string& key);

// A file's content with its sections and keys read once, for many look-ups:
// each FindValue gives what profile::FindValue would on the content.
class ParsedProfile {
public:
    explicit ParsedProfile(std::string content);
    ~ParsedProfile();
    ParsedProfile(ParsedProfile&&) noexcept;
    ParsedProfile& operator=(ParsedProfile&&) noexcept;

    const std::string& content() const;
    std::optional<std::string> FindValue(const std::string& section, const std::string& key) const;

private:
    struct Entries;
    std::unique_ptr<Entries> entries_;
};

// How a value is written after "key=" so that FindValue gives it back exactly:
// one that reading would change (blanks or tabs at an end, or matching quotes
// at both ends) goes inside one more pair of double quotes.
std::string EncodeValue(const std::string& value);

// Why a section, key or value cannot be stored so that it reads back the same
// (GBK text); empty when it can.
std::string WhyUnstorable(const std::string& section, const std::string& key,
                          const std::string& value);

// The content with key set to value in section. An existing key's line is
// rewritten in place with the key spelled as the file spells it; a new key
// goes after the last key of its section; a new section goes at the end of the
// file. New lines end with CRLF. Callers check WhyUnstorable first.
std::string SetValue(const std::string& content, const std::string& section, const std::string& key,
                     const std::string& value);

}  // namespace profile
