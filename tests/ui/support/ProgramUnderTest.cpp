#include "ProgramUnderTest.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include "document/DocumentTreeModel.h"
#include "editors/Textframedocker.h"
#include "tree/DocumentTreeView.h"
#include "widgets/LargeTextEdit.h"

ProgramUnderTest::ProgramUnderTest(const QString& programFolder)
    : programFolder_(programFolder.isEmpty() ? files_.path() + "/program/" : programFolder),
      settings_(std::make_unique<SettingsStore>(store_.filePath("MyBusiness.ini"))) {}

ProgramUnderTest::~ProgramUnderTest() = default;

void ProgramUnderTest::start() {
    program_ = std::make_unique<Program>(*settings_, dialogs, QString(), Program::Places{programFolder_, recoveryFolder()});
    window().show();
    window().FormActivate();
}

void ProgramUnderTest::startAndOpen(const QString& name, const QByteArray& bytes) {
    writeFile(name, bytes);
    start();
    dialogs.chooseFile(pathOf(name));
    window().OpenMnuClick();
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

LargeTextEdit* ProgramUnderTest::memo() const { return textEditor().TT()->TextMemo(); }

QByteArray ProgramUnderTest::written() const {
    const corvantis::StringObject text = document().dom().serialize();
    return QByteArray(text.data(), static_cast<qsizetype>(text.length()));
}

QModelIndex ProgramUnderTest::row(const QString& caption) const {
    const QAbstractItemModel* rows = window().TreeView()->model();
    for (int i = 0; i < rows->rowCount(); ++i)
        if (rows->index(i, 0).data().toString() == caption) return rows->index(i, 0);
    return QModelIndex();
}

void ProgramUnderTest::clickRow(const QModelIndex& row) {
    DocumentTreeView* tree = window().TreeView();
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

void ProgramUnderTest::clickTop() { clickRow(window().TreeView()->model()->index(0, 0)); }

QString ProgramUnderTest::topCaption() const { return window().TreeView()->model()->index(0, 0).data().toString(); }

QStringList ProgramUnderTest::shownCaptions() const {
    QStringList captions;
    const QAbstractItemModel* rows = window().TreeView()->model();
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

QString ProgramUnderTest::currentCaption() const { return window().TreeView()->currentIndex().data().toString(); }

bool ProgramUnderTest::isExpanded(const QString& caption) const {
    return row(caption).data(DocumentTreeModel::ExpandedRole).toBool();
}

void ProgramUnderTest::setExpanded(const QString& caption, bool expanded) {
    window().TreeView()->documentModel()->setExpanded(row(caption), expanded);
}

QRect ProgramUnderTest::rectOf(const QString& caption) const {
    const QModelIndex shown = row(caption);
    return shown.isValid() ? window().TreeView()->visualRect(shown) : QRect();
}

std::pair<int, int> ProgramUnderTest::imagesOf(const QString& caption) const {
    return window().TreeViewGetImageIndex(nodeOf(caption));
}

QString ProgramUnderTest::markedCaption() const {
    const corvantis::DOMNode* marked = window().MarkedNode();
    return marked ? window().TreeView()->documentModel()->indexOf(marked).data().toString() : QString();
}

corvantis::DOMNode* ProgramUnderTest::nodeOf(const QString& caption) const {
    return window().TreeView()->nodeAt(row(caption));
}

corvantis::DOMNode* ProgramUnderTest::currentNode() const { return window().TreeView()->currentNode(); }

void ProgramUnderTest::select(const QString& caption) {
    const QModelIndex shown = row(caption);
    if (!shown.isValid()) qFatal("no row to select");
    window().TreeView()->setCurrentIndex(shown);
}

void ProgramUnderTest::selectTop() { window().TreeView()->setCurrentIndex(window().TreeView()->model()->index(0, 0)); }

void ProgramUnderTest::selectNone() { window().TreeView()->setCurrentIndex(QModelIndex()); }

QLineEdit* ProgramUnderTest::labelEditor() const {
    for (QLineEdit* edit : window().TreeView()->viewport()->findChildren<QLineEdit*>())
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
    window().TreeView()->setFocus();
    return QApplication::focusWidget() == window().TreeView();
}

bool ProgramUnderTest::close() { return window().close(); }
