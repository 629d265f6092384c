#pragma once

#include <string>

namespace EvarixApp {

// The keyboard model as every sentence of the program names it.
inline constexpr const wchar_t* kModelName = L"Evarix 25";

// The status box's sentence for a firmware-check value; empty for a value the loader never gives.
// Lines are separated by "\r\n".
std::wstring StatusSentence(int firmwareCheck);

// Whether the Update button may be pressed for a firmware-check value.
bool UpdateAllowed(int firmwareCheck);

// The main page's introductory line, written over the page's own once per process.
std::wstring IntroductoryLine();

}  // namespace EvarixApp
