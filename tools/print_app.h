// What printing from zevlon-tool needs: a Qt Gui application for the fonts, off
// screen when there is no display, with Qt's own notes kept out of the output.
#pragma once

#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace zv::tool {

inline std::unique_ptr<QGuiApplication> makePrintApplication() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "zevlon-tool: %s\n", text.toLocal8Bit().constData());
    });
    static int argc = 1;
    static char name[] = "zevlon-tool";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace zv::tool
