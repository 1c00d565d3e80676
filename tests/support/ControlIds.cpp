#include "support/ControlIds.h"

#include "res/resource.h"

const std::vector<int> kSendControls = {IDC_AUTOSEND, IDC_MANUALSEND, IDC_SENDPERIOD, IDC_SENDHEX,
                                        IDC_DATALIB};
const std::vector<int> kLineControls = {IDC_OPEN,     IDC_PORT,     IDC_BAUDRATE,   IDC_PARITY,
                                        IDC_DATABITS, IDC_STOPBITS, IDC_FLOWCONTROL};
