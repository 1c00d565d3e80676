#pragma once

// How a dialog names the serial control: the class name a template gives its
// site, and the number of the control's OnComm event in the event table.
inline constexpr char kSerialControlClass[] = "{648A5600-2C6E-101B-82B6-000000000014}";
inline constexpr int EVENT_ONCOMM = 1;
