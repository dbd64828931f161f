// The template selection dialog: the merged list over the plug-ins, the
// colour list following the plug-in of the chosen template, the sample, and
// OK writing the five settings (Cancel none).

#include <QLabel>
#include <QListWidget>
#include <QTextEdit>
#include <QtTest>

#include <filesystem>

#include "platform/profile.h"
#include "support/temp_dir.h"
#include "ui/template_dialog.h"

namespace lumbrel::ui {

namespace fs = std::filesystem;

class TemplateDialogTest : public QObject {
    Q_OBJECT

    test::TempDir home;
    std::string plugins = home / "Plugins";

    QStringList rows(const QListWidget* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
        return texts;
    }
    int rowOf(const QListWidget* list, const QString& text) {
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text() == text) return i;
        return -1;
    }

private slots:
    void initTestCase() {
        fs::create_directories(plugins);
        for (const char* file : {LUMBREL_FAKE_PLUGIN_A, LUMBREL_FAKE_PLUGIN_B, LUMBREL_TEST_PLUGIN})
            fs::copy_file(file, fs::path(plugins) / fs::path(file).filename());
    }

    void opensOnTheStoredChoiceAndOkStoresThePlugInOfTheTitle() {
        platform::Profile profile(home / "a.conf");
        app::Settings settings(profile, home.path());
        settings.set(app::setting::DllPath, "./Plugins/KdPlugin.so");
        settings.set(app::setting::TemplateTypeNo, 1);
        settings.set(app::setting::TemplateBackNo, 12);
        TemplateDialog dialog(settings, plugins);
        QCOMPARE(rows(dialog.templateList()), (QStringList{"alpha", "Beta", "BETA", "Charlie", "delta", "echo",
                                                           "Type 1", "Type 2", "Type 3", "Type 4"}));
        QCOMPARE(dialog.templateList()->currentItem()->text(), QString("Type 2"));
        QCOMPARE(dialog.colourList()->count(), 17);
        QCOMPARE(dialog.colourList()->currentRow(), 12);
        QCOMPARE(dialog.overview()->toPlainText(), QString("Type 2\n  Display information\n  List\ncan be displayed\n"));
        QVERIFY(!dialog.sampleArea()->pixmap().isNull());

        // "delta" of the other plug-in: its five colours, colour 0.
        dialog.templateList()->setCurrentRow(rowOf(dialog.templateList(), "delta"));
        QCOMPARE(rows(dialog.colourList()),
                 (QStringList{"Red/white", "Red/gray", "Blue/white", "Blue/gray", "Gray/black"}));
        QCOMPARE(dialog.colourList()->currentRow(), 0);
        QVERIFY(dialog.sampleArea()->pixmap().isNull());  // its samples are not pictures
        dialog.colourList()->setCurrentRow(2);
        QCOMPARE(dialog.shownChoice(), QString("delta / Background Blue/white"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(settings.get(app::setting::TemplateType), std::string("delta"));
        QCOMPARE(settings.get(app::setting::TemplateTypeNo), 1);
        QCOMPARE(settings.get(app::setting::TemplateBackCol), std::string("Blue/white"));
        QCOMPARE(settings.get(app::setting::TemplateBackNo), 2);
        QCOMPARE(settings.get(app::setting::DllPath), std::string("./Plugins/fake_plugin_a.so"));
    }

    void fiveColoursWhileTheSettingSaysSevenOpenOnColourZeroAndCancelKeepsAll() {
        platform::Profile profile(home / "b.conf");
        app::Settings settings(profile, home.path());
        settings.set(app::setting::DllPath, "./Plugins/fake_plugin_a.so");
        settings.set(app::setting::TemplateTypeNo, 0);
        settings.set(app::setting::TemplateBackNo, 7);
        TemplateDialog dialog(settings, plugins);
        QCOMPARE(dialog.templateList()->currentItem()->text(), QString("Beta"));
        QCOMPARE(dialog.colourList()->currentRow(), 0);

        // A plug-in without colour patterns empties the list and the sample.
        dialog.templateList()->setCurrentRow(rowOf(dialog.templateList(), "echo"));
        QCOMPARE(dialog.colourList()->count(), 0);
        QVERIFY(dialog.sampleArea()->pixmap().isNull());
        QCOMPARE(dialog.shownChoice(), QString("echo / Background "));
        dialog.reject();
        QCOMPARE(settings.get(app::setting::TemplateType), std::string());
        QCOMPARE(settings.get(app::setting::TemplateBackNo), 7);
    }

    void noPlugInsLeaveTheListsEmptyAndOkStoresNothing() {
        platform::Profile profile(home / "c.conf");
        app::Settings settings(profile, home.path());
        TemplateDialog dialog(settings, home / "none");
        QCOMPARE(dialog.templateList()->count(), 0);
        QCOMPARE(dialog.colourList()->count(), 0);
        dialog.accept();
        QVERIFY(dialog.result() != int(QDialog::Accepted));
        QVERIFY(!settings.stored(app::setting::DllPath));
    }
};

}  // namespace lumbrel::ui

QTEST_MAIN(lumbrel::ui::TemplateDialogTest)
#include "template_dialog_test.moc"
