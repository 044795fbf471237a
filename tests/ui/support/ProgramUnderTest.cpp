#include "ProgramUnderTest.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
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

void ProgramUnderTest::click(QTreeWidgetItem* item) {
    QTreeWidget* tree = window_->TreeView();
    tree->scrollToItem(item);
    const QRect area = tree->visualItemRect(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, area.center());
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
