#include "editors/Showsource.h"

#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "document/Document.h"
#include "editors/FieldText.h"
#include "editors/SaveAs.h"
#include "widgets/LargeTextEdit.h"
#include "widgets/UserDialogs.h"

TXMLSource::TXMLSource(SettingsStore& settings, UserDialogs& dialogs, const Document& document, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      document_(document),
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
    // The field shares the bytes made, without a copy where it can.
    viewSource_->setBytes(FieldText::shown(make(), document_.text()));
    show();
    raise();
}

bool TXMLSource::SourceBytes(corvantis::StringObject& bytes, QString& unstorable) const {
    return FieldText::stored(viewSource_->text(), document_.text(), bytes, unstorable);
}

void TXMLSource::SaveAs1Click() {
    corvantis::StringObject bytes;
    QString unstorable;
    if (!SourceBytes(bytes, unstorable)) {
        dialogs_.inform(this, document_.text().unstorableMessage(unstorable), "Text Error");
        return;
    }
    std::string converted;
    saveAsWithBackup(this, dialogs_, fileDialogFolder(document_), document_.fileBytes(bytes, converted));
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
