#include "ProgramUnderTest.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "editing/Textframedocker.h"

ProgramUnderTest::ProgramUnderTest(const QString& programFolder)
    : programFolder_(programFolder.isEmpty() ? files_.path() + "/program/" : programFolder),
      settings_(std::make_unique<SettingsStore>(store_.filePath("MyBusiness.ini"))) {}

ProgramUnderTest::~ProgramUnderTest() {
    textEditor_.reset();
    window_.reset();
}

void ProgramUnderTest::start() {
    window_ = std::make_unique<TVelmorant>(*settings_, dialogs, programFolder_);
    textEditor_ = std::make_unique<TTT>(*settings_);
    window_->AttachTextEditor(textEditor_.get());
    window_->show();
    window_->FormActivate();
}

void ProgramUnderTest::startAndOpen(const QString& name, const QByteArray& bytes) {
    writeFile(name, bytes);
    start();
    dialogs.chooseFile(pathOf(name));
    window_->OpenMnuClick();
}

void ProgramUnderTest::restart() {
    textEditor_.reset();
    window_.reset();
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

QPlainTextEdit* ProgramUnderTest::memo() const { return textEditor_->TT()->TextMemo(); }

QTreeWidgetItem* ProgramUnderTest::item(const QString& caption) const {
    for (QTreeWidgetItemIterator it(window_->TreeView()); *it; ++it)
        if ((*it)->text(0) == caption) return *it;
    return nullptr;
}

void ProgramUnderTest::clickItem(QTreeWidgetItem* item) {
    QTreeWidget* tree = window_->TreeView();
    if (!item) qFatal("no row to click");
    tree->scrollToItem(item);
    const QRect area = tree->visualItemRect(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, area.center());
}

void ProgramUnderTest::click(const QString& caption) { clickItem(item(caption)); }

void ProgramUnderTest::clickTop() { clickItem(window_->TreeView()->topLevelItem(0)); }

QString ProgramUnderTest::topCaption() const {
    const QTreeWidgetItem* top = window_->TreeView()->topLevelItem(0);
    return top ? top->text(0) : QString();
}

QStringList ProgramUnderTest::shownCaptions() const {
    QStringList captions;
    for (QTreeWidgetItemIterator it(window_->TreeView()); *it; ++it) {
        bool shown = true;
        for (const QTreeWidgetItem* up = (*it)->parent(); up && shown; up = up->parent()) shown = up->isExpanded();
        if (shown) captions << (*it)->text(0);
    }
    return captions;
}

bool ProgramUnderTest::shows(const QString& caption) const { return item(caption) != nullptr; }

QStringList ProgramUnderTest::childCaptions(const QString& caption) const {
    QStringList captions;
    const QTreeWidgetItem* parent = item(caption);
    for (int i = 0; parent && i < parent->childCount(); ++i) captions << parent->child(i)->text(0);
    return captions;
}

QString ProgramUnderTest::currentCaption() const {
    const QTreeWidgetItem* current = window_->TreeView()->currentItem();
    return current ? current->text(0) : QString();
}

bool ProgramUnderTest::isExpanded(const QString& caption) const {
    const QTreeWidgetItem* row = item(caption);
    return row && row->isExpanded();
}

void ProgramUnderTest::setExpanded(const QString& caption, bool expanded) {
    if (QTreeWidgetItem* row = item(caption)) row->setExpanded(expanded);
}

QRect ProgramUnderTest::rectOf(const QString& caption) const {
    const QTreeWidgetItem* row = item(caption);
    return row ? window_->TreeView()->visualItemRect(row) : QRect();
}

std::pair<int, int> ProgramUnderTest::imagesOf(const QString& caption) const {
    return window_->TreeViewGetImageIndex(item(caption));
}

QString ProgramUnderTest::markedCaption() const {
    const QTreeWidgetItem* marked = window_->MarkedItem();
    return marked ? marked->text(0) : QString();
}

corvantis::DOMNode* ProgramUnderTest::nodeOf(const QString& caption) const { return TVelmorant::NodeOf(item(caption)); }

corvantis::DOMNode* ProgramUnderTest::currentNode() const {
    return TVelmorant::NodeOf(window_->TreeView()->currentItem());
}

void ProgramUnderTest::select(const QString& caption) {
    QTreeWidgetItem* row = item(caption);
    if (!row) qFatal("no row to select");
    window_->TreeView()->setCurrentItem(row);
}

void ProgramUnderTest::selectTop() { window_->TreeView()->setCurrentItem(window_->TreeView()->topLevelItem(0)); }

void ProgramUnderTest::selectNone() { window_->TreeView()->setCurrentItem(nullptr); }

QLineEdit* ProgramUnderTest::labelEditor() const {
    for (QLineEdit* edit : window_->TreeView()->viewport()->findChildren<QLineEdit*>())
        if (edit->isVisible()) return edit;
    return nullptr;
}

void ProgramUnderTest::type(const QString& text) {
    memo()->moveCursor(QTextCursor::End);
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

bool ProgramUnderTest::close() { return window_->close(); }
