#pragma once
// Class ids of the filter file's COM classes.
#include <windows.h>

// {5ADCD5C3-4106-4E01-B549-CE2F85E6E04E}
extern "C" const CLSID CLSID_VideoTransform;
// The "Color" page: {ED5E556B-B499-4F9C-81F9-99EAF166E111}
extern "C" const CLSID CLSID_ColorPropertyPage;
// The "Four In Three Out" page: {8A1668E6-94B9-408D-9893-2886B16C9A77}
extern "C" const CLSID CLSID_FourInThreeOutPage;
