// The command line: `corvantis [FILE]`. A file named there is opened at
// start-up instead of the remembered one.
#pragma once

#include <QString>
#include <QStringList>

// The file the arguments name, as an absolute path; empty for none. --help,
// --version and arguments it cannot read are answered on the terminal, and
// the program ends.
QString startupFileArgument(const QStringList& arguments);

// The arguments ask for --help or --version, which need no windows and so
// no display.
bool asksForHelpOrVersion(int argc, const char* const* argv);
