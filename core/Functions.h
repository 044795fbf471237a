// Name and character checks used by the editors before they change the
// document, and the path utility that finds the program's folder. Only ASCII
// letters count as letters: bytes 0x80-0xFF are never name characters.
#pragma once

#include "StringObject.h"

namespace corvantis {

bool IsLetter(char c) noexcept;
bool IsDigit(char c) noexcept;
bool IsNameStartChar(char c) noexcept;
bool IsNameChar(char c) noexcept;

// A name-start character followed by name characters; ':' is allowed anywhere.
bool IsValidName(const StringObject& text) noexcept;
// Not empty and free of "?>".
bool IsValidPIValue(const StringObject& text) noexcept;
// The path up to and including its last '/', '\\', ':', '[' or ']'; empty
// when it has none.
StringObject ExtractDirectory(const StringObject& path);

}  // namespace corvantis
