#pragma once

#include <QIcon>

#include "platform/dialog/DialogTemplate.h"

const DialogTemplate& AnalysisDialogTemplate();
const DialogTemplate& DataLibraryDialogTemplate();

// Icon resource 128, in 32x32 and 16x16.
QIcon LoadAppIcon();
