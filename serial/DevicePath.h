#pragma once

#include <string>

// The file a device name that a user gives opens, by one rule for every
// program and every place a name is read (a command line, an environment
// variable): a name with a '/' in it, or one that names a file in the folder,
// is that file, made absolute against the folder; a bare name that is no file
// there is /dev/NAME, as QSerialPort reads a bare name. An empty name stays
// empty. Elsewhere than on Unix, names (COM5) are the system's and stay as
// given.
//
// Resolved once, where the name is read, a path no longer depends on the
// current folder when the port opens; a path that is absolute already is left
// as it is, so resolving twice changes nothing.
std::string ResolveDevicePath(const std::string& name);

// The same, against `folder` rather than the current one.
std::string ResolveDevicePath(const std::string& name, const std::string& folder);
