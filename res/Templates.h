#pragma once

#include <QIcon>

#include "platform/dialog/DialogTemplate.h"

// Class name under which the serial control is hosted.
extern const char* const kSerialControlClass;

const DialogTemplate& AnalysisDialogTemplate();
const DialogTemplate& DataLibraryDialogTemplate();

// Icon resource 128, in 32x32 and 16x16.
QIcon LoadAppIcon();
