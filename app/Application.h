// The application object. Its one addition is the standard exception display:
// an exception that escapes a command is shown in a message box and the
// program goes on.
#pragma once

#include <QApplication>

class UserQuestions;

class CorvantisApplication : public QApplication {
    Q_OBJECT
public:
    CorvantisApplication(int& argc, char** argv, UserQuestions& dialogs);
    // The names the program goes by, set before any application object is made.
    static void nameApplication();

    bool notify(QObject* receiver, QEvent* event) override;
    // Shows what the exception says; used for the ones caught outside the loop too.
    void showException(const char* what);

private:
    UserQuestions& dialogs_;
};
