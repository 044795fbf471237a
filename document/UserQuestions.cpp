#include "document/UserQuestions.h"

#include "document/FileError.h"

namespace {

const char* const FileErrorCaption = "File Error";

}  // namespace

void UserQuestions::showFileError(const FileError& error) { inform(error.message(), FileErrorCaption); }

bool UserQuestions::askAfterFileError(const FileError& error, const QString& question) {
    return message(error.message() + "\n\n" + question, FileErrorCaption, Buttons::YesNo) == Answer::Yes;
}

bool UserQuestions::setUpPrinter(QPrinter&) { return false; }

void UserQuestions::previewPrint(QPrinter&, const std::function<void(QPrinter*)>&) {}
