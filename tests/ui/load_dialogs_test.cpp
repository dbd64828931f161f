// The dialogs of a load and the prompts that run them for the core's worker.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "app/strings.h"
#include "camera/date_key.h"
#include "camera/image_loader.h"
#include "ui/confirm_dialog.h"
#include "ui/folder_choice_dialog.h"
#include "ui/gui_prompts.h"
#include "ui/load_date_dialog.h"
#include "ui/title_dialog.h"
#include "ui/ui_thread.h"
#include "ui/undated_dialog.h"

using namespace lumbrel;
using namespace lumbrel::ui;

namespace {

QStringList entries(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

QStringList entries(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

void clickRow(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

// Calls act once with the first modal window that is up. The dialog runs its
// own event loop, so act runs from a timer of that loop; it gets the window by
// QPointer, so that one already gone is seen as null.
void whenModal(std::function<void(QPointer<QWidget>)> act) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act(modal);
    });
    poll->start(5);
}

}  // namespace

class LoadDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void folderChoiceMoves_data() {
        // Steps: "a<row>" selects that row of the found list and presses Add,
        // "d<row>" the same in the folder list with Delete.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("chosen");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QString>("focus");
        QTest::newRow("one added") << "a1" << QList<int>{1} << QStringList{"/mnt/a/DCIM", "/mnt/c/DCIM"} << "load";
        QTest::newRow("in the order moved") << "a2 a0" << QList<int>{2, 0} << QStringList{"/mnt/b/DCIM"} << "load";
        QTest::newRow("deleted goes to the end")
            << "a0 d0" << QList<int>{} << QStringList{"/mnt/b/DCIM", "/mnt/c/DCIM", "/mnt/a/DCIM"} << "cancel";
        QTest::newRow("deleted, then added again")
            << "a0 d0 a2" << QList<int>{0} << QStringList{"/mnt/b/DCIM", "/mnt/c/DCIM"} << "load";
        QTest::newRow("one of two deleted")
            << "a0 a0 d0" << QList<int>{1} << QStringList{"/mnt/c/DCIM", "/mnt/a/DCIM"} << "load";
    }

    void folderChoiceMoves() {
        QFETCH(QString, steps);
        QFETCH(QList<int>, chosen);
        QFETCH(QStringList, found);
        QFETCH(QString, focus);
        FolderChoiceDialog dialog({"/mnt/a/DCIM", "/mnt/b/DCIM", "/mnt/c/DCIM"});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* foundList = dialog.findChild<QListWidget*>("found");
        auto* chosenList = dialog.findChild<QListWidget*>("chosen");
        auto* add = dialog.findChild<QPushButton*>("add");
        auto* remove = dialog.findChild<QPushButton*>("delete");
        auto* load = dialog.findChild<QPushButton*>("load");
        QVERIFY(foundList && chosenList && add && remove && load);
        QVERIFY(!add->isEnabled() && !remove->isEnabled() && !load->isEnabled());

        for (const QString& step : steps.split(' ')) {
            const bool adding = step[0] == 'a';
            QListWidget* from = adding ? foundList : chosenList;
            QPushButton* button = adding ? add : remove;
            clickRow(from, step.mid(1).toInt());
            QVERIFY(button->isEnabled());
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY2(!button->isEnabled(), qPrintable(step));
            QVERIFY(from->selectedItems().isEmpty());
        }
        QCOMPARE(QList<int>(dialog.chosen().begin(), dialog.chosen().end()), chosen);
        QCOMPARE(entries(foundList), found);
        QCOMPARE(chosenList->count(), int(chosen.size()));
        QCOMPARE(load->isEnabled(), !chosen.isEmpty());
        QVERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    }

    void folderChoiceShortens_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        QTest::newRow("18 bytes whole") << "/media/abc/DCIM123"
                                        << "/media/abc/DCIM123";
        QTest::newRow("19 bytes shortened") << "/media/user/C1/DCIM"
                                            << "/m.../user/C1/DCIM";
        // The 13-byte tail would begin inside Ü; it takes the whole character.
        QTest::newRow("tail keeps a character whole") << "/media/abcÜÖ12345/DCIM"
                                                      << "/m...ÜÖ12345/DCIM";
        // The 2-byte start would end inside Ü; it stops before it.
        QTest::newRow("start keeps a character whole") << "/Ümedia/card1/DCIM"
                                                       << "/...ia/card1/DCIM";
    }

    void folderChoiceShortens() {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        FolderChoiceDialog dialog({"/mnt/x/DCIM", path.toStdString()});
        auto* foundList = dialog.findChild<QListWidget*>("found");
        QCOMPARE(foundList->item(1)->text(), shown);
        QCOMPARE(foundList->item(1)->toolTip(), path);
    }

    void loadDateDays_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("days");
        QTest::newRow("2000 leap (by 400)") << QDate(2024, 6, 15) << 2000 << 2 << 29;
        QTest::newRow("2100 not (by 100)") << QDate(2099, 6, 15) << 2100 << 2 << 28;
        QTest::newRow("2024 leap") << QDate(2024, 6, 15) << 2024 << 2 << 29;
        QTest::newRow("2023 not") << QDate(2024, 6, 15) << 2023 << 2 << 28;
        QTest::newRow("April") << QDate(2024, 6, 15) << 2023 << 4 << 30;
        QTest::newRow("December") << QDate(2024, 6, 15) << 1980 << 12 << 31;
    }

    void loadDateDays() {
        QFETCH(QDate, today);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, days);
        for (const bool unassigned : {false, true}) {
            LoadDateDialog dialog({}, unassigned, today);
            auto* yearBox = dialog.findChild<QComboBox*>("year");
            auto* monthBox = dialog.findChild<QComboBox*>("month");
            auto* dayBox = dialog.findChild<QComboBox*>("day");
            // From the 31st of a long month, so that a shorter one must cut the day back.
            monthBox->setCurrentText("1");
            dayBox->setCurrentText("31");
            yearBox->setCurrentText(QString::number(year));
            monthBox->setCurrentText(QString::number(month));
            QStringList expected;
            for (int day = days; day >= 1; --day) expected << QString::number(day);
            if (unassigned) expected << "Unassigned";
            QCOMPARE(entries(dayBox), expected);
            const QString yyyymm = QString("%1%2").arg(year).arg(month, 2, 10, QChar('0'));
            QCOMPARE(QString::fromStdString(dialog.key()), yyyymm + QString::number(days));
            if (unassigned) {
                dayBox->setCurrentIndex(dayBox->count() - 1);
                QCOMPARE(QString::fromStdString(dialog.key()), yyyymm + "00");
            }
        }
    }

    void loadDatePreselects() {
        for (const auto& [unassigned, key] : {std::pair(true, "20240200"), std::pair(false, "20240229")}) {
            LoadDateDialog dialog("/MEDIA/CARD/DCIM", unassigned, QDate(2024, 2, 29));
            const QStringList years = entries(dialog.findChild<QComboBox*>("year"));
            QCOMPARE(years.size(), 2025 - 1980 + 1);
            QCOMPARE(years.first(), "2025");
            QCOMPARE(years.last(), "1980");
            QCOMPARE(entries(dialog.findChild<QComboBox*>("month")),
                     QStringList({"12", "11", "10", "9", "8", "7", "6", "5", "4", "3", "2", "1"}));
            QCOMPARE(QString::fromStdString(dialog.key()), QString(key));
            QCOMPARE(dialog.findChild<QLabel*>("folder")->text(), "/MEDIA/CARD/DCIM");
        }
    }

    void titleLimit_data() {
        // What the field holds, where the cursor is, what is typed or pasted
        // there, and what the field keeps: 40 characters, however many bytes.
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("kept");
        const QString a40(40, 'a'), e40 = QString("é").repeated(40), smiley = QString("😀");
        QTest::newRow("41 typed") << "" << 0 << a40 + "b" << true << a40;
        QTest::newRow("two-byte: 80 bytes fit") << "" << 0 << e40 << false << e40;
        QTest::newRow("outside the BMP, pasted") << "" << 0 << smiley.repeated(41) << false << smiley.repeated(40);
        QTest::newRow("pasted into the middle")
            << QString(38, 'a') << 10 << "XYZ" << false << QString(10, 'a') + "XY" + QString(28, 'a');
        QTest::newRow("full: typing changes nothing") << e40 << 5 << "z" << true << e40;
    }

    void titleLimit() {
        QFETCH(QString, before);
        QFETCH(int, cursor);
        QFETCH(QString, input);
        QFETCH(bool, typed);
        QFETCH(QString, kept);
        TitleDialog dialog("/m.../Ürlaub/DCIM");
        auto* field = dialog.findChild<QLineEdit*>("title");
        field->insert(before);
        field->setCursorPosition(cursor);
        if (typed)
            QTest::keyClicks(field, input);
        else
            field->insert(input);
        QCOMPARE(field->text(), kept);
        // The UTF-8 the loader gets is whole characters, and it keeps all of them.
        const std::string title = dialog.title();
        QCOMPARE(QString::fromStdString(title), kept);
        QCOMPARE(camera::firstCharacters(title, 40), title);
    }

    void confirmTexts_data() {
        QTest::addColumn<int>("captionId");
        QTest::addColumn<int>("textId");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("camera load") << int(app::kStrConfirmCaption) << int(app::kStrCardRecognized) << "Lumbrel"
                                     << "Recognized card/camera\nStarting loading";
        QTest::newRow("automatic load") << int(app::kStrAutoLoadCaption) << int(app::kStrCardRecognizedAuto)
                                        << "Lumbrel automatic loading"
                                        << "Recognized card/camera\nStarting automatic loading";
    }

    void confirmTexts() {
        QFETCH(int, captionId);
        QFETCH(int, textId);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        ConfirmDialog dialog(QString::fromUtf8(app::text(captionId)), QString::fromUtf8(app::text(textId)));
        QCOMPARE(dialog.windowTitle(), caption);
        QCOMPARE(dialog.findChild<QLabel*>("text")->text(), text);
        auto* ok = dialog.findChild<QPushButton*>("ok");
        auto* suspend = dialog.findChild<QPushButton*>("suspend");
        QCOMPARE(ok->text(), "OK");
        QVERIFY(ok->isDefault());
        QCOMPARE(suspend->text(), "Suspend");
        suspend->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void promptsFromWorker_data() {
        QTest::addColumn<QString>("ask");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("answer");
        QTest::newRow("confirm OK") << "confirm" << true << "yes";
        QTest::newRow("confirm Suspend") << "confirm" << false << "no";
        QTest::newRow("folders") << "folders" << true << "1";
        QTest::newRow("date") << "date" << true << QString::fromStdString(camera::preselectedKey(true));
        QTest::newRow("undated by date") << "undated" << true << "by date";
        QTest::newRow("undated cancelled") << "undated" << false << "cancel";
        QTest::newRow("title") << "title" << true << "Sommer in Köln";
        QTest::newRow("yes") << "yesno" << true << "yes";
        QTest::newRow("no") << "yesno" << false << "no";
        QTest::newRow("message") << "message" << true << "shown";
    }

    void promptsFromWorker() {
        QFETCH(QString, ask);
        QFETCH(bool, accept);
        QFETCH(QString, answer);
        QWidget window;
        GuiPrompts prompts(&window);
        bool parentIsWindow = false;
        QString caption;
        whenModal([&](QPointer<QWidget> modal) {
            parentIsWindow = modal->parentWidget() == &window;
            caption = modal->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                box->button(accept ? (ask == "yesno" ? QMessageBox::Yes : QMessageBox::Ok) : QMessageBox::No)->click();
                return;
            }
            auto* dialog = qobject_cast<QDialog*>(modal);
            QVERIFY(dialog);
            if (auto* found = dialog->findChild<QListWidget*>("found")) {
                found->setCurrentRow(1);
                dialog->findChild<QPushButton*>("add")->click();
            }
            if (auto* byDate = dialog->findChild<QRadioButton*>("byDate")) byDate->setChecked(true);
            if (auto* title = dialog->findChild<QLineEdit*>("title")) title->setText("Sommer in Köln");
            accept ? dialog->accept() : dialog->reject();
        });
        QString got;
        bool onWorker = false;
        runInBackground([&] {
            onWorker = !onUiThreadNow();
            const auto optional = [](const std::optional<std::string>& s) {
                return s ? QString::fromStdString(*s) : QString("none");
            };
            if (ask == "confirm") got = prompts.confirmLoad("Lumbrel", "Recognized card/camera") ? "yes" : "no";
            if (ask == "folders") {
                const auto chosen = prompts.chooseFolders({"/MNT/A/DCIM", "/MNT/B/DCIM"});
                got = chosen ? QString::number(chosen->at(0)) : "none";
            }
            if (ask == "date") got = optional(prompts.askLoadDate("/MNT/A/DCIM", true));
            if (ask == "undated") {
                const camera::UndatedChoice choice = prompts.askUndated();
                got = choice == camera::UndatedChoice::ByDate   ? "by date"
                      : choice == camera::UndatedChoice::Cancel ? "cancel"
                                                                : "file date";
            }
            if (ask == "title") got = optional(prompts.askTitle("/MNT/A/DCIM"));
            if (ask == "yesno") got = prompts.askYesNo(app::kTextPageAltered, "calendar.htm") ? "yes" : "no";
            if (ask == "message") {
                prompts.showMessage(app::kMsgNoImagesFound, app::text(app::kMsgNoImagesFound));
                got = "shown";
            }
        });
        QVERIFY(onWorker);
        QVERIFY(parentIsWindow);
        QCOMPARE(got, answer);
        if (ask == "yesno" || ask == "message") QCOMPARE(caption, "Lumbrel");
    }

    void windowGoneWhileAsking() {
        QPointer<QWidget> window = new QWidget;
        GuiPrompts prompts(window);
        whenModal([&](QPointer<QWidget> modal) {
            modal->findChild<QLineEdit*>("title")->setText("never kept");
            delete window.data();  // takes the dialog with it
            QVERIFY(!modal);
        });
        std::optional<std::string> title = "not asked";
        runInBackground([&] { title = prompts.askTitle("/MNT/A/DCIM"); });
        QVERIFY(!window);
        QVERIFY(!title);
    }

    void waitCursorFromWorker() {
        QWidget window;
        GuiPrompts prompts(&window);
        QApplication::setOverrideCursor(Qt::CrossCursor);  // someone else's
        runInBackground([&] { prompts.setWaitCursor(true); });
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        runInBackground([&] {
            prompts.setWaitCursor(false);
            prompts.setWaitCursor(false);  // one more than set: leaves the other cursor alone
        });
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
        QApplication::restoreOverrideCursor();
    }
};

QTEST_MAIN(LoadDialogsTest)
#include "load_dialogs_test.moc"
