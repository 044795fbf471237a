// Opening a document with the desktop's own program for it.
#pragma once

#include <QString>

enum class RunResult {
    Opened,
    // There is no such file.
    Missing,
    // The desktop has no program for it, or the program would not start.
    NoProgram,
};

RunResult RunProgram(const QString& path);
