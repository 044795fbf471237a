// Opening a document with the desktop's own program for it.
#pragma once

#include <QString>

// False when the file does not exist or no program accepts it.
bool RunProgram(const QString& path);
