#pragma once
// Classes of the framework DLL are exported whole: hosts derive from them.
#ifdef KVQFRAME_BUILD
#define FX_API __declspec(dllexport)
#else
#define FX_API __declspec(dllimport)
#endif
