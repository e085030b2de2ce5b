#pragma once

// Runs the built quarbel-convert and collects what it said.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace quarbel::testing {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// program: the name of one of the built programs.
inline CliRun runProgram(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(QUARBEL_BINARY_DIR "/app/") + program, args);
    CliRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        run.err = QStringLiteral("did not finish normally");
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

inline CliRun runCli(const QStringList& args) {
    return runProgram(QStringLiteral("quarbel-convert"), args);
}

} // namespace quarbel::testing
