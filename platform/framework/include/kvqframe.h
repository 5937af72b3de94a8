#pragma once
// The application framework: windows, application object, dialogs, GDI,
// tooltips.
#include "kvqframe/Types.h"
#include "kvqframe/Gdi.h"
#include "kvqframe/Wnd.h"
#include "kvqframe/App.h"
#include "kvqframe/Dialog.h"
#include "kvqframe/ToolTip.h"
