#pragma once

// What one run of the converter shares between its steps: where messages go, and the GUI
// application that drawing a metafile needs.

#include <QString>
#include <QTextStream>
#include <memory>

class QGuiApplication;

namespace quarbel::cli {

class Session {
public:
    Session(QTextStream& out, QTextStream& err);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void print(const QString& text);
    // One line on the error stream, after the program's name.
    void fail(const QString& message);
    void printError(const QString& text);

    // Metafiles draw text, and fonts need a QGuiApplication. Reading other pictures needs none, and
    // making one costs more than the rest of a conversion, so it is made only before the first metafile.
    // The offscreen platform is used unless QT_QPA_PLATFORM says otherwise.
    void needGui();

private:
    QTextStream& m_out;
    QTextStream& m_err;
    int m_argc = 1;
    char m_name[16] = "quarbel-convert";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QGuiApplication> m_app;
};

} // namespace quarbel::cli
