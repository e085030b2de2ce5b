// quarbel-convert: stereograms from the command line, with the editor's converters.
#include "app/cli/Commands.h"

#include <QStringList>
#include <QTextStream>

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args.append(QString::fromLocal8Bit(argv[i]));
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    return quarbel::cli::runConvertTool(args, out, err);
}
