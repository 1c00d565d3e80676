#include "app/PortListing.h"

#include <dirent.h>
#include <QSerialPortInfo>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

struct Row {
    std::string com, path, usb, serial, manufacturer, description, byPath;
};

std::string OrDash(const std::string& text) {
    return text.empty() ? "-" : text;
}

std::string UsbIds(const SerialPortEntry& port) {
    if (!port.vendorId) {
        return "-";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%04x:", *port.vendorId & 0xFFFFu);
    std::string ids = text;
    if (port.productId) {
        std::snprintf(text, sizeof text, "%04x", *port.productId & 0xFFFFu);
        ids += text;
    } else {
        ids += "-";
    }
    return ids;
}

// ttyS2 before ttyS10: runs of digits compare as numbers.
bool NaturallyBefore(const std::string& a, const std::string& b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) &&
            std::isdigit(static_cast<unsigned char>(b[j]))) {
            size_t endA = i;
            size_t endB = j;
            while (endA < a.size() && std::isdigit(static_cast<unsigned char>(a[endA]))) {
                ++endA;
            }
            while (endB < b.size() && std::isdigit(static_cast<unsigned char>(b[endB]))) {
                ++endB;
            }
            const std::string numberA = a.substr(i, endA - i);
            const std::string numberB = b.substr(j, endB - j);
            const size_t zerosA = std::min(numberA.find_first_not_of('0'), numberA.size());
            const size_t zerosB = std::min(numberB.find_first_not_of('0'), numberB.size());
            const std::string digitsA = numberA.substr(zerosA);
            const std::string digitsB = numberB.substr(zerosB);
            if (digitsA.size() != digitsB.size()) {
                return digitsA.size() < digitsB.size();
            }
            if (digitsA != digitsB) {
                return digitsA < digitsB;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        }
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

void AddCom(std::string& column, int port) {
    if (!column.empty()) {
        column += ",";
    }
    column += "COM" + std::to_string(port);
}

std::string Table(const std::vector<Row>& rows) {
    std::vector<Row> all{
        {"COM", "PATH", "USB", "SERIAL", "MANUFACTURER", "DESCRIPTION", "BY-PATH"}};
    all.insert(all.end(), rows.begin(), rows.end());
    // The by-path name last: long, without blanks, so that a script finds it
    // as the line's last field.
    const std::string Row::*columns[] = {&Row::com,    &Row::path,         &Row::usb,
                                         &Row::serial, &Row::manufacturer, &Row::description,
                                         &Row::byPath};
    constexpr size_t kColumns = std::size(columns);
    size_t widths[kColumns] = {};
    for (const Row& row : all) {
        for (size_t c = 0; c < kColumns; ++c) {
            widths[c] = std::max(widths[c], (row.*columns[c]).size());
        }
    }
    std::string text;
    for (const Row& row : all) {
        std::string line;
        for (size_t c = 0; c < kColumns; ++c) {
            line += row.*columns[c];
            if (c + 1 < kColumns) {
                line += std::string(widths[c] - (row.*columns[c]).size() + 2, ' ');
            }
        }
        text += line + "\n";
    }
    return text;
}

const char kHowToMap[] =
    "Map a device to a port of the window with --port COM2=/dev/ttyUSB0 or "
    "TESSALINE_COM2=/dev/ttyUSB0.\n";

}  // namespace

std::vector<SerialPortEntry> SystemSerialPorts() {
    std::vector<SerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry port;
        port.path = info.systemLocation().toStdString();
        port.description = info.description().toStdString();
        port.manufacturer = info.manufacturer().toStdString();
        port.serialNumber = info.serialNumber().toStdString();
        if (info.hasVendorIdentifier()) {
            port.vendorId = info.vendorIdentifier();
        }
        if (info.hasProductIdentifier()) {
            port.productId = info.productIdentifier();
        }
        port.byPath = LinkNaming(port.path, kByPathFolder, SameDeviceOnDisk);
        ports.push_back(port);
    }
    return ports;
}

bool SameDeviceOnDisk(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    char realA[PATH_MAX];
    char realB[PATH_MAX];
    return ::realpath(a.c_str(), realA) && ::realpath(b.c_str(), realB) &&
           std::string(realA) == realB;
}

std::string LinkNaming(const std::string& path, const std::string& folder, const SameDevice& same) {
    std::vector<std::string> names;
    if (DIR* entries = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(entries)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(entries);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string link = folder + "/" + name;
        if (same(link, path)) {
            return link;
        }
    }
    return std::string();
}

std::string PortListText(const std::vector<SerialPortEntry>& ports,
                         const std::vector<PortMapping>& mappings, const SameDevice& same,
                         const std::function<bool(const std::string&)>& exists) {
    std::vector<SerialPortEntry> sorted = ports;
    std::sort(sorted.begin(), sorted.end(), [](const SerialPortEntry& a, const SerialPortEntry& b) {
        return NaturallyBefore(a.path, b.path);
    });
    std::vector<Row> rows;
    for (const SerialPortEntry& port : sorted) {
        Row row{"",
                port.path,
                UsbIds(port),
                OrDash(port.serialNumber),
                OrDash(port.manufacturer),
                OrDash(port.description),
                OrDash(port.byPath)};
        for (const PortMapping& mapping : mappings) {
            if (same(mapping.path, port.path)) {
                AddCom(row.com, mapping.port);
            }
        }
        row.com = OrDash(row.com);
        rows.push_back(row);
    }
    // Ports mapped by hand to a device the system does not list.
    std::vector<Row> unlisted;
    for (const PortMapping& mapping : mappings) {
        if (mapping.source == MappingSource::System) {
            continue;
        }
        const bool listed = std::any_of(sorted.begin(), sorted.end(), [&](const auto& port) {
            return same(mapping.path, port.path);
        });
        if (listed) {
            continue;
        }
        auto known = std::find_if(unlisted.begin(), unlisted.end(),
                                  [&](const Row& row) { return same(mapping.path, row.path); });
        if (known != unlisted.end()) {
            AddCom(known->com, mapping.port);
            continue;
        }
        Row row{"",  mapping.path,
                "-", "-",
                "-", exists(mapping.path) ? "not a serial port the system lists" : "no such device",
                "-"};
        AddCom(row.com, mapping.port);
        unlisted.push_back(row);
    }
    rows.insert(rows.end(), unlisted.begin(), unlisted.end());

    std::string text;
    if (sorted.empty()) {
        text += "No serial ports found.\n";
    }
    if (!rows.empty()) {
        text += Table(rows);
    }
    if (sorted.empty()) {
        text += kHowToMap;
    }
    return text;
}
