// Reading a whole file into memory, as Open, the start-up load and Insert
// From File do.
#pragma once

#include <QByteArray>
#include <QString>

#include "document/FileError.h"

enum class ReadResult { Read, CannotOpen, CannotRead };

// The file's bytes in `bytes`; otherwise `error` says why not (a file too
// large for the memory there is among the reasons).
ReadResult readWholeFile(const QString& path, QByteArray& bytes, FileError& error);
