#pragma once

// The converter's subcommands and the whole run of the program.

#include "app/cli/CommandLine.h"

#include <QStringList>
#include <QTextStream>

namespace quarbel::cli {

class Session;

int runRandomDot(const Arguments& arguments, Session& session);
int runColorField(const Arguments& arguments, Session& session);
int runDocument(const Arguments& arguments, Session& session);
int runPicture(const Arguments& arguments, Session& session);
int runDesign(const Arguments& arguments, Session& session);
int runReveal(const Arguments& arguments, Session& session);

// Parses args (without the program name), runs the command and returns the exit status.
// Usage and results go to out, problems to err.
int runConvertTool(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace quarbel::cli
