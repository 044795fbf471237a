// Reading a whole file into memory, as Open, the start-up load and Insert
// From File do.
#pragma once

#include <QByteArray>
#include <QString>

#include "document/FileEncoding.h"
#include "document/FileError.h"

enum class ReadResult { Read, CannotOpen, CannotRead };

// The file's bytes in `bytes`; otherwise `error` says why not (a file too
// large for the memory there is among the reasons). With `survey`, each
// slice read is looked over while it is still in the cache (decodeFile
// then needs no pass of its own over the bytes).
ReadResult readWholeFile(const QString& path, QByteArray& bytes, FileError& error, ByteSurvey* survey = nullptr);
