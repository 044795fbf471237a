#include "editors/Showsource.h"

#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "document/Document.h"
#include "editors/SaveAs.h"
#include "widgets/LargeTextEdit.h"
#include "widgets/UserDialogs.h"

TXMLSource::TXMLSource(SettingsStore& settings, UserDialogs& dialogs, const Document& document, QWidget* parent)
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

    viewSource_ = new LargeTextEdit(fileText_);
    viewSource_->setObjectName("ViewSource");

    // The note can be dragged smaller to give the text more room.
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setHandleWidth(6);
    splitter->addWidget(panel);
    splitter->addWidget(viewSource_);
    splitter->setStretchFactor(1, 1);
    splitter->setCollapsible(1, false);
    setCentralWidget(splitter);
    statusBar()->setObjectName("StatusBar1");

    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("File1");
    QAction* saveAs = file->addAction("Save As", this, &TXMLSource::SaveAs1Click);
    saveAs->setObjectName("SaveAs1");
    QAction* close = file->addAction("Close", this, &TXMLSource::Close1Click);
    close->setObjectName("Close1");

    move(73, 10);
    resize(373, 367);
    placement_.load();
}

void TXMLSource::ShowText(const std::function<corvantis::StringObject()>& make) {
    viewSource_->clear();
    fileText_ = document_.fileEncoding().fileTextCodec();
    const corvantis::StringObject written = make();
    std::string converted;
    const std::string_view text = document_.fileEncoding().toFileText(written.view(), converted);
    // The field shares the bytes made, without a copy, where the file holds
    // them as they are.
    viewSource_->setBytes(text.data() == written.data() ? written : corvantis::StringObject(text));
    show();
    raise();
}

bool TXMLSource::SourceBytes(corvantis::StringObject& bytes) const { return viewSource_->toBytes(bytes); }

void TXMLSource::SaveAs1Click() {
    corvantis::StringObject bytes;
    if (!SourceBytes(bytes)) {
        dialogs_.inform(this, fileText_.unstorableMessage(viewSource_->toPlainText()), "Text Error");
        return;
    }
    std::string converted;
    saveAsWithBackup(this, dialogs_, fileDialogFolder(document_),
                     document_.fileEncoding().fileTextToFile(bytes.view(), converted));
}

void TXMLSource::Close1Click() { hide(); }

void TXMLSource::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placement_.resized();
}

void TXMLSource::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    placement_.moved();
}
