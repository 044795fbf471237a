#include "app/Application.h"

#include <exception>

#include "document/UserQuestions.h"

CorvantisApplication::CorvantisApplication(int& argc, char** argv, UserQuestions& dialogs)
    : QApplication(argc, argv), dialogs_(dialogs) {
    nameApplication();
}

void CorvantisApplication::nameApplication() {
    // The name only: a display name would be added to every window's title.
    setApplicationName("Corvantis an XML Editor");
    setOrganizationName("Velmora");
}

bool CorvantisApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        showException("Out of memory: the command could not be completed.");
    } catch (const std::exception& error) {
        showException(error.what());
    } catch (...) {
        showException("An unknown error stopped the command.");
    }
    return false;
}

void CorvantisApplication::showException(const char* what) {
    dialogs_.inform(QString::fromLocal8Bit(what), applicationName());
}
