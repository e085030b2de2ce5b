// quarbel-convert: stereograms from the command line, with the editor's converters.
#include <QStringList>
#include <QTextStream>

#include <cstdio>

#include "app/cli/Commands.h"

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args.append(QString::fromLocal8Bit(argv[i]));
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    return quarbel::cli::runConvertTool(args, out, err);
}
