#include "OrbileApp.h"

namespace {
COrbileApp theApp;
}

COrbileApp& TheApp() { return theApp; }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return AfxWinMain(instance); }
