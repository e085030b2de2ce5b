#include "app/cli/Session.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace quarbel::cli {

namespace {

QtMessageHandler previousHandler = nullptr;

// Image decoders report damaged files through Qt's warnings; the converter says what failed in
// its own words, so only serious messages get through.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if ((type == QtCriticalMsg || type == QtFatalMsg) && previousHandler) {
        previousHandler(type, context, message);
    }
}

} // namespace

Session::Session(QTextStream& out, QTextStream& err) : m_out(out), m_err(err) {
    previousHandler = qInstallMessageHandler(quietHandler);
}

Session::~Session() {
    m_app.reset();
    qInstallMessageHandler(previousHandler);
    m_out.flush();
    m_err.flush();
}

void Session::print(const QString& text) {
    m_out << text;
    m_out.flush();
}

void Session::fail(const QString& message) {
    m_err << "quarbel-convert: " << message << '\n';
    m_err.flush();
}

void Session::printError(const QString& text) {
    m_err << text;
    m_err.flush();
}

void Session::needGui() {
    if (QCoreApplication::instance()) {
        return; // the editor or a test made one already
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    m_app = std::make_unique<QGuiApplication>(m_argc, m_argv);
}

} // namespace quarbel::cli
