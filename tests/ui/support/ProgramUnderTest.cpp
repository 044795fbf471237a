#include "ProgramUnderTest.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include "document/DocumentTreeModel.h"
#include "editors/TextFrame.h"
#include "tree/DocumentTreeView.h"
#include "tree/TreeImages.h"
#include "widgets/LargeTextEdit.h"

ProgramUnderTest::ProgramUnderTest(const QString& programFolder)
    : programFolder_(programFolder.isEmpty() ? files_.path() + "/program/" : programFolder),
      settings_(std::make_unique<SettingsStore>(store_.filePath("MyBusiness.ini"))) {}

ProgramUnderTest::~ProgramUnderTest() = default;

void ProgramUnderTest::start() {
    program_ = std::make_unique<Program>(*settings_, dialogs, QString(), Program::Places{programFolder_, recoveryFolder()});
    window().show();
    window().startUp();
}

void ProgramUnderTest::keepEarlierPlaces() { settings_->writeInt("Organiser_Left", 5); }

void ProgramUnderTest::startAndOpen(const QString& name, const QByteArray& bytes) {
    writeFile(name, bytes);
    start();
    dialogs.chooseFile(pathOf(name));
    window().files().open();
}

void ProgramUnderTest::restart() {
    program_.reset();
    start();
}

void ProgramUnderTest::writeFile(const QString& name, const QByteArray& bytes) const {
    QFile file(pathOf(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test file");
    file.write(bytes);
}

QByteArray ProgramUnderTest::readFile(const QString& name) const {
    QFile file(pathOf(name));
    if (!file.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
    return file.readAll();
}

LargeTextEdit* ProgramUnderTest::memo() const { return textEditor().frame()->textEdit(); }

QByteArray ProgramUnderTest::written() const {
    const corvantis::StringObject text = document().dom().serialize();
    std::string storage;
    const std::string_view file = document().fileBytes(text, storage);
    return QByteArray(file.data(), static_cast<qsizetype>(file.size()));
}

QModelIndex ProgramUnderTest::row(const QString& caption) const {
    const QAbstractItemModel* rows = window().treeView()->model();
    for (int i = 0; i < rows->rowCount(); ++i)
        if (rows->index(i, 0).data().toString() == caption) return rows->index(i, 0);
    return QModelIndex();
}

void ProgramUnderTest::clickRow(const QModelIndex& row) {
    DocumentTreeView* tree = window().treeView();
    if (!row.isValid()) qFatal("no row to click");
    tree->scrollTo(row);
    const QRect area = tree->visualRect(row);
    // On the caption, right of the indentation, the arrow and the image.
    const int indent = (row.data(DocumentTreeModel::DepthRole).toInt() + 1) * DocumentTreeView::Indent;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(area.left() + indent + 24, area.center().y()));
    // What the click set going finishes, as in the program's event loop.
    QCoreApplication::processEvents();
}

void ProgramUnderTest::click(const QString& caption) { clickRow(row(caption)); }

void ProgramUnderTest::clickTop() { clickRow(window().treeView()->model()->index(0, 0)); }

QString ProgramUnderTest::topCaption() const { return window().treeView()->model()->index(0, 0).data().toString(); }

QStringList ProgramUnderTest::shownCaptions() const {
    QStringList captions;
    const QAbstractItemModel* rows = window().treeView()->model();
    for (int i = 0; i < rows->rowCount(); ++i) captions << rows->index(i, 0).data().toString();
    return captions;
}

bool ProgramUnderTest::shows(const QString& caption) const { return row(caption).isValid(); }

QStringList ProgramUnderTest::childCaptions(const QString& caption) const {
    QStringList captions;
    const QModelIndex parent = row(caption);
    if (!parent.isValid()) return captions;
    const QAbstractItemModel* rows = parent.model();
    const int depth = parent.data(DocumentTreeModel::DepthRole).toInt();
    for (int i = parent.row() + 1; i < rows->rowCount(); ++i) {
        const QModelIndex below = rows->index(i, 0);
        const int at = below.data(DocumentTreeModel::DepthRole).toInt();
        if (at <= depth) break;
        if (at == depth + 1) captions << below.data().toString();
    }
    return captions;
}

QString ProgramUnderTest::currentCaption() const { return window().treeView()->currentIndex().data().toString(); }

bool ProgramUnderTest::isExpanded(const QString& caption) const {
    return row(caption).data(DocumentTreeModel::ExpandedRole).toBool();
}

void ProgramUnderTest::setExpanded(const QString& caption, bool expanded) {
    window().treeView()->documentModel()->setExpanded(row(caption), expanded);
}

QRect ProgramUnderTest::rectOf(const QString& caption) const {
    const QModelIndex shown = row(caption);
    return shown.isValid() ? window().treeView()->visualRect(shown) : QRect();
}

std::pair<int, int> ProgramUnderTest::imagesOf(const QString& caption) const {
    return TreeImages::imagesOf(DocumentTreeModel::Mark(row(caption).data(DocumentTreeModel::MarkRole).toInt()));
}

QString ProgramUnderTest::markedCaption() const {
    const corvantis::DOMNode* marked = window().treeView()->documentModel()->markedNode();
    return marked ? window().treeView()->documentModel()->indexOf(marked).data().toString() : QString();
}

corvantis::DOMNode* ProgramUnderTest::nodeOf(const QString& caption) const {
    return window().treeView()->nodeAt(row(caption));
}

corvantis::DOMNode* ProgramUnderTest::currentNode() const { return window().selection().currentNode(); }

void ProgramUnderTest::select(const QString& caption) {
    const QModelIndex shown = row(caption);
    if (!shown.isValid()) qFatal("no row to select");
    window().treeView()->setCurrentIndex(shown);
}

void ProgramUnderTest::selectTop() { window().treeView()->setCurrentIndex(window().treeView()->model()->index(0, 0)); }

void ProgramUnderTest::selectNone() { window().treeView()->setCurrentIndex(QModelIndex()); }

QLineEdit* ProgramUnderTest::labelEditor() const {
    for (QLineEdit* edit : window().treeView()->viewport()->findChildren<QLineEdit*>())
        if (edit->isVisible()) return edit;
    return nullptr;
}

void ProgramUnderTest::type(const QString& text) {
    memo()->setCursorPosition(memo()->text().size());
    const QStringList lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) QTest::keyClick(memo(), Qt::Key_Return);
        for (const QChar c : lines[i]) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(memo(), c.toLatin1());
                continue;
            }
            // Characters beyond ASCII arrive as text without a key code, as from an input method.
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(memo(), &press);
        }
    }
}

bool ProgramUnderTest::focusTree() {
    window().activateWindow();
    if (!QTest::qWaitForWindowActive(&window())) return false;
    window().treeView()->setFocus();
    return QApplication::focusWidget() == window().treeView();
}

bool ProgramUnderTest::close() { return window().close(); }
