#pragma once

#include <toml++/toml.h>
#include <stdexcept>
#include <string>
#include <vector>

// Reading a plan's TOML values, each with the place it was written: a value
// that is not what its key takes stops the loading with one line that names
// that place, "s3.toml:12:9: timeout takes whole milliseconds ...".

// Why a plan cannot be loaded: the one line the user sees.
class PlanFault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A key of a table and its value.
struct PlanEntry {
    std::string name;
    const toml::key* key;
    const toml::node* value;
};

// The value of the entry named `name`, or nullptr when there is none.
const toml::node* FindEntry(const std::vector<PlanEntry>& entries, const char* name);

class PlanReader {
public:
    // `shownPath` as messages name the file.
    explicit PlanReader(std::string shownPath) : shown_(std::move(shownPath)) {}

    // "s3.toml:12:9"
    std::string Place(const toml::source_region& region) const;
    // "s3.toml:12:9: send_hex": the value's place and the key's path.
    std::string Origin(const toml::node& value, const std::string& key) const;
    // Stops the loading with "PLACE: message".
    [[noreturn]] void Fail(const toml::source_region& region, const std::string& message) const;
    // Stops the loading with "ORIGIN message": `message` starts with a blank
    // or a colon.
    [[noreturn]] void Fail(const toml::node& value, const std::string& key,
                           const std::string& message) const;

    // The table's entries in the order they are written.
    static std::vector<PlanEntry> InOrder(const toml::table& table);
    // The same, and the first whose key
    // is not `allowed` stops the loading, naming `where` and the keys it holds.
    std::vector<PlanEntry> Entries(const toml::table& table,
                                   const std::vector<const char*>& allowed,
                                   const std::string& where) const;

    std::string Text(const toml::node& value, const std::string& key) const;
    // A whole number within [low, high]; `what` says what it counts.
    int Whole(const toml::node& value, const std::string& key, int low, int high,
              const char* what) const;
    // A finite number, whole or not.
    double Number(const toml::node& value, const std::string& key) const;
    bool Flag(const toml::node& value, const std::string& key) const;
    // A table; `example` shows how one is written.
    const toml::table& Table(const toml::node& value, const std::string& key,
                             const std::string& example) const;

private:
    std::string shown_;
};

// The value as a message quotes it: a string quoted and escaped, a number as
// written, or what kind of value it is ("an array").
std::string ShownValue(const toml::node& value);

// Whether a name to show on one line is fit for it: not empty, no control
// characters, and no blanks either when `blanks` is false.
bool FitName(const std::string& utf8, bool blanks);
