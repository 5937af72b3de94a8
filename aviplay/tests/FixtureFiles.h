// Where the AVI fixtures are: written at build time into "fixtures" beside
// the test program.
#pragma once

#include <string>

std::wstring FixturePath(const wchar_t* name);
std::string FixturePathA(const char* name);
