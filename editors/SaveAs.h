// Save As, as the main window and the source viewer both offer it. The user
// chooses a name (the dialog starts in the program's folder). A file of that
// name is first kept as its ".BAK" backup beside it and is never replaced
// without one; ".XML" is appended unless the name holds it (exact case); the
// bytes are written atomically. A chosen file that the written one does not
// replace ("diary.xml" written as "diary.xml.XML") has moved to its backup.
#pragma once

#include <string_view>

#include <QString>

class QWidget;
class UserDialogs;

// The name written; an empty text when the user cancelled or nothing could be
// written, in which case the user has been shown why.
QString saveAsWithBackup(QWidget* parent, UserDialogs& dialogs, const QString& programFolder, std::string_view bytes);
