// Name and character checks used by the editors before they change the
// document, and the path utility that finds the program's folder. The byte
// classes are ASCII's; a name may hold the letters of the document's
// encoding besides (Characters.h).
#pragma once

#include "Characters.h"
#include "StringObject.h"

namespace corvantis {

bool IsLetter(char c) noexcept;
bool IsDigit(char c) noexcept;
bool IsNameStartChar(char c) noexcept;
bool IsNameChar(char c) noexcept;

// `text` (UTF-8) is a name-start character followed by name characters of
// the file's encoding; ':' is allowed anywhere.
bool IsValidName(const StringObject& text, Encoding encoding) noexcept;
// Not empty and free of "?>".
bool IsValidPIValue(const StringObject& text) noexcept;
// The path up to and including its last '/', '\\', ':', '[' or ']'; empty
// when it has none.
StringObject ExtractDirectory(const StringObject& path);

}  // namespace corvantis
