#pragma once
// The application framework: windows, application object, dialogs, GDI,
// tooltips, folder choice, file and print dialogs.
#include "kvqframe/Types.h"
#include "kvqframe/Gdi.h"
#include "kvqframe/Wnd.h"
#include "kvqframe/App.h"
#include "kvqframe/Dialog.h"
#include "kvqframe/ToolTip.h"
#include "kvqframe/Shell.h"
#include "kvqframe/CommonDialogs.h"
