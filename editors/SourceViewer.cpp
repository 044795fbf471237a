#include "editors/SourceViewer.h"

#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "document/Document.h"
#include "document/SaveAs.h"
#include "editors/SourceText.h"
#include "widgets/LargeTextEdit.h"
#include "document/UserQuestions.h"

SourceViewer::SourceViewer(SettingsStore& settings, UserQuestions& dialogs, const Document& document, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      document_(document),
      fileText_(document.fileEncoding().fileTextCodec()),
      placement_(this, "ShowSource_", settings) {
    setObjectName("XMLSource");
    setWindowTitle("Show XML Source Viewer");

    auto* panel = new QWidget;
    panel->setObjectName("Panel1");
    auto* notes = new QVBoxLayout(panel);
    notes->setContentsMargins(4, 2, 4, 2);
    notes->setSpacing(0);
    notes->addWidget(new QLabel("Note: Changes made here do not update the tree. "));
    notes->addWidget(new QLabel("You would have to SaveAs and Open into the tree."));

    // XML source reads best in fixed-pitch type, a line to a row.
    viewSource_ = new LargeTextEdit;
    viewSource_->setObjectName("ViewSource");
    viewSource_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    viewSource_->setWrap(LargeTextEdit::Wrap::Off);

    // The note can be dragged smaller to give the text more room.
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setHandleWidth(6);
    splitter->addWidget(panel);
    splitter->addWidget(viewSource_);
    splitter->setStretchFactor(1, 1);
    splitter->setCollapsible(1, false);
    setCentralWidget(splitter);
    statusBar()->setObjectName("StatusBar1");

    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("File1");
    QAction* saveAs = file->addAction("Save &As", this, &SourceViewer::saveTextAs);
    saveAs->setObjectName("SaveAs1");
    QAction* close = file->addAction("&Close", this, &SourceViewer::hideWindow);
    close->setObjectName("Close1");

    move(73, 10);
    resize(373, 367);
    placement_.load();
}

void SourceViewer::showText(const std::function<corvantis::StringObject()>& make) {
    viewSource_->clear();
    fileText_ = document_.fileEncoding().fileTextCodec();
    const corvantis::StringObject written = make();
    std::string converted;
    const std::string_view text = document_.fileEncoding().toFileText(written.view(), converted);
    // The field shares the bytes made, without a copy, where the file holds
    // them as they are.
    viewSource_->setBytes(SourceText::shown(text.data() == written.data() ? written : corvantis::StringObject(text),
                                            fileText_));
    if (!isVisible() && clearArea_) placeClear(this, placement_.userPlaced(), clearArea_());
    show();
    raise();
}

bool SourceViewer::sourceBytes(corvantis::StringObject& bytes, QString& unstorable) const {
    return SourceText::stored(viewSource_->text(), fileText_, bytes, unstorable);
}

void SourceViewer::saveTextAs() {
    corvantis::StringObject bytes;
    QString unstorable;
    if (!sourceBytes(bytes, unstorable)) {
        dialogs_.inform(fileText_.unstorableMessage(unstorable), "Text Error");
        return;
    }
    std::string converted;
    saveAs(dialogs_, fileDialogFolder(document_), document_.fileEncoding().fileTextToFile(bytes.view(), converted));
}

void SourceViewer::hideWindow() { hide(); }

void SourceViewer::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placement_.resized();
}

void SourceViewer::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    placement_.moved();
}
