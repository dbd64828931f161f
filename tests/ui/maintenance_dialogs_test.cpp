// The library maintenance dialogs: the title field's 40-byte limit, the
// destination dialogs' OK button and their refusals, the delete question's
// answers, and the prompt that asks the core's questions with them.

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <limits>

#include "support/temp_dir.h"
#include "ui/change_title_dialog.h"
#include "ui/confirmation_dialog.h"
#include "ui/delete_library_dialog.h"
#include "ui/destination_dialogs.h"
#include "ui/folder_tree.h"
#include "ui/gui_maintenance_prompt.h"
#include "ui/ui_thread.h"

namespace lumbrel::ui {

namespace ml = maintenance;

namespace {

// Presses OK on the message box that the next modal loop shows.
void acceptNextMessage() {
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
    });
}

// Types text into w one character at a time, as a keyboard (or an input
// method) would, letters outside ASCII and pairs of surrogates included.
void typeText(QWidget* w, const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text.mid(i, units));
        QApplication::sendEvent(w, &press);
        i += units;
    }
}

}  // namespace

class MaintenanceDialogsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TempDir> dir_;
    std::string root_;  // the image library root

    // A tree over the test folder only, so that the dialogs never look at
    // the machine's own folders.
    FolderTree* tree() const { return new FolderTree({{QStringLiteral("Test"), QString::fromStdString(dir_->path())}}, nullptr); }

private slots:
    void init() {
        dir_ = std::make_unique<test::TempDir>();
        root_ = *dir_ / "Image Library";
        std::filesystem::create_directories(root_ + "/20240301/PREVIEW");
        std::filesystem::create_directories(*dir_ / "backup/old");
    }

    void titleLimit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        const QString forty(40, 'a');
        QTest::newRow("41 single bytes") << forty + 'b' << forty;
        QTest::newRow("two-byte letters") << QString(21, QChar(0xE9)) << QString(20, QChar(0xE9));
        QTest::newRow("no half letter at the end") << QString(39, 'a') + QChar(0xE9) << QString(39, 'a');
        const QString kana(13, QChar(0x30AB));  // 3 bytes each: 39
        QTest::newRow("three-byte letters") << kana + QChar(0x30AB) << kana;
        const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");  // 4 bytes, two UTF-16 units
        QTest::newRow("no half of a pair") << QString(37, 'a') + smile << QString(37, 'a');
        QTest::newRow("a pair that fits") << QString(36, 'a') + smile << QString(36, 'a') + smile;
        QTest::newRow("empty") << QString() << QString();
    }
    void titleLimit() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        ChangeTitleDialog dialog("");
        dialog.show();
        typeText(dialog.field(), typed);
        QCOMPARE(dialog.field()->text(), kept);
        QVERIFY(utf8Bytes(dialog.field()->text()) <= 40);
        QCOMPARE(dialog.title(), kept.toStdString());
    }

    void titleDialogStartsWithTheTitleSelected() {
        ChangeTitleDialog dialog(std::string(45, 'x'));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Change title"));
        QCOMPARE(dialog.field()->text(), QString(40, 'x'));
        QCOMPARE(dialog.field()->selectedText(), QString(40, 'x'));
        QVERIFY(dialog.findChild<QLabel*>()->text() == QStringLiteral("Enter the library title."));
        // Typing over the selection replaces the title.
        dialog.show();
        QTest::keyClicks(dialog.field(), QStringLiteral("New"));
        QCOMPARE(dialog.title(), std::string("New"));
    }

    // Copying into the image library root itself is never offered.
    void copyDialogRefusesTheSaveFolder() {
        FolderVolumeDialog dialog(ml::CarryKind::Copy, 10, {root_ + "/20240301"}, root_, nullptr, tree());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Copy"));
        QVERIFY(!dialog.okButton()->isEnabled());
        QVERIFY(dialog.choose(QString::fromStdString(root_)));
        QCOMPARE(dialog.chosenPath(), QString::fromStdString(root_));
        QVERIFY(!dialog.okButton()->isEnabled());
        QVERIFY(dialog.choose(QString::fromStdString(*dir_ / "backup")));
        QVERIFY(dialog.okButton()->isEnabled());
        QCOMPARE(dialog.volumeFigure()->text(), QStringLiteral("10"));
        QVERIFY(!dialog.freeFigure()->text().isEmpty());
        // The same folder is a good destination for a move.
        FolderVolumeDialog move(ml::CarryKind::Move, 10, {root_ + "/20240301"}, root_, nullptr, tree());
        QVERIFY(move.choose(QString::fromStdString(root_)));
        QVERIFY(move.okButton()->isEnabled());
    }

    void noRoomKeepsTheDialogOpen() {
        const std::uint64_t huge = std::numeric_limits<std::uint64_t>::max() / 2;
        FolderVolumeDialog dialog(ml::CarryKind::Move, huge, {root_ + "/20240301"}, root_, nullptr, tree());
        dialog.show();
        QVERIFY(dialog.choose(QString::fromStdString(*dir_ / "backup")));
        acceptNextMessage();
        dialog.okButton()->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.lastRefusal(),
                 QStringLiteral("Insufficient free space at destination.\nIncrease free space."));
        QVERIFY(dialog.destination().empty());
    }

    void saveFolderDialog() {
        const std::uint64_t huge = std::numeric_limits<std::uint64_t>::max() / 2;
        SaveFolderDialog dialog(huge, root_, nullptr, tree());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Specify folder"));
        QCOMPARE(dialog.okButton()->text(), QStringLiteral("Select folder"));
        dialog.show();
        QVERIFY(dialog.choose(QString::fromStdString(*dir_ / "backup/old")));
        acceptNextMessage();
        dialog.okButton()->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.lastRefusal(),
                 QStringLiteral("Insufficient disk space at destination specified.\nIncrease the available disk space."));
    }

    void roomyDestinationIsTaken() {
        FolderVolumeDialog dialog(ml::CarryKind::Copy, 1, {root_ + "/20240301"}, root_, nullptr, tree());
        dialog.show();
        QVERIFY(dialog.choose(QString::fromStdString(*dir_ / "backup/old")));
        dialog.okButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.destination(), *dir_ / "backup/old");
        QVERIFY(dialog.lastRefusal().isEmpty());
    }

    // A destination inside a library being moved is refused, not carried into itself.
    void insideTheCarriedLibrary() {
        FolderVolumeDialog dialog(ml::CarryKind::Move, 1, {root_ + "/20240301"}, root_, nullptr, tree());
        dialog.show();
        QVERIFY(dialog.choose(QString::fromStdString(root_ + "/20240301/PREVIEW")));
        acceptNextMessage();
        dialog.okButton()->click();
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.lastRefusal().isEmpty());
    }

    void treeListsFoldersOnly() {
        test::writeText(*dir_ / "backup/file.txt", "x");
        std::unique_ptr<FolderTree> folders(tree());
        QTreeWidgetItem* top = folders->topLevelItem(0);
        top->setExpanded(true);
        QStringList names;
        for (int i = 0; i < top->childCount(); ++i) names << top->child(i)->text(0);
        QCOMPARE(names, QStringList({"backup", "Image Library"}));
        QTreeWidgetItem* backup = top->child(0);
        backup->setExpanded(true);
        QCOMPARE(backup->childCount(), 1);
        QCOMPARE(backup->child(0)->text(0), QStringLiteral("old"));
        QCOMPARE(backup->child(0)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    }

    void deleteQuestionAnswers_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("allText");
        for (int kind : {int(ml::LibraryKind::Ordinary), int(ml::LibraryKind::Shortcut)}) {
            const QString all = kind == int(ml::LibraryKind::Ordinary) ? "Delete all(&A)" : "Delete All(&A)";
            for (int answer = 0; answer < 4; ++answer)
                QTest::addRow("%d/%d", kind, answer) << kind << answer << all;
        }
    }
    void deleteQuestionAnswers() {
        QFETCH(int, kind);
        QFETCH(int, answer);
        QFETCH(QString, allText);
        GuiMaintenancePrompt prompt(nullptr);
        const auto which = static_cast<ml::DeleteAnswer>(answer);
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<DeleteLibraryDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->button(ml::DeleteAnswer::DeleteAll)->text(), allText);
            shown = dialog->findChild<QLabel*>("library")->text();
            dialog->button(which)->click();
        });
        QCOMPARE(prompt.askDeleteLibrary(static_cast<ml::LibraryKind>(kind), "2024/03/01 Beach"), which);
        QCOMPARE(shown, QStringLiteral("2024/03/01 Beach"));
    }

    // The core asks from its worker thread; the dialog shows on this one.
    void confirmationFromTheWorkerThread() {
        GuiMaintenancePrompt prompt(nullptr);
        QStringList lines;
        QTimer::singleShot(50, [&] {
            auto* dialog = qobject_cast<ConfirmationDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            lines << dialog->windowTitle() << dialog->findChild<QLabel*>("line1")->text();
            dialog->findChild<QPushButton*>("ok")->click();
        });
        bool answer = false;
        runInBackground([&] { answer = prompt.confirm(ml::Confirmation::RebuildSelected); });
        QVERIFY(answer);
        QCOMPARE(lines, QStringList({"Rebuild", "Rebuild library selected"}));
        QTimer::singleShot(0, [] {
            if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
        });
        QVERIFY(!prompt.confirm(ml::Confirmation::DeleteImages));
    }
};

}  // namespace lumbrel::ui

QTEST_MAIN(lumbrel::ui::MaintenanceDialogsTest)
#include "maintenance_dialogs_test.moc"
