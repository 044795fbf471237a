#include "app/DisplayStart.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler passOn = nullptr;
QList<HeldMessage> held;
QByteArray failure;

QByteArray platformNamed(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (qstrcmp(argv[i], "-platform") == 0) return argv[i + 1];
    return qgetenv("QT_QPA_PLATFORM");
}

// What the user is told when the platform cannot start.
QByteArray failureLine(int argc, char** argv) {
    const QByteArray platform = platformNamed(argc, argv);
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return "corvantis: the windowing platform \"" + platform +
               "\" cannot start, so no window can be shown.\n";
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return "corvantis: there is no display to show the windows on (DISPLAY is not set).\n";
    return "corvantis: the display \"" + display + "\" cannot be opened to show the windows on.\n";
}

void whileStarting(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        std::fputs(failure.constData(), stderr);
        std::fflush(stderr);
        // Qt is half way through its own start: nothing may run after this,
        // not even the destructors of its statics.
        std::_Exit(1);
    }
    held.append({type, QByteArray(context.category), message});
}

}  // namespace

DisplayStart::DisplayStart(int argc, char** argv) {
    failure = failureLine(argc, argv);
    passOn = qInstallMessageHandler(whileStarting);
}

DisplayStart::~DisplayStart() {
    qInstallMessageHandler(passOn);
    for (const HeldMessage& message : std::as_const(held)) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        passOn(message.type, context, message.text);
    }
    held.clear();
}
