// The desktop renderer driven the way a user drives it: mouse clicks and keys on the real Qt
// widgets of the wizard, the message dialog and the About dialog (offscreen), with the run,
// the tick rules, the folder choice and the language all going through the forms' own logic.
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <unistd.h>

#include <functional>

#include "about/dlgInfo.h"
#include "addin/modArdeko.h"
#include "archive/WalkSupport.h"
#include "msgbox/MsgBox.h"
#include "ui/qt/QtUi.h"

namespace ardeko::testkit {
namespace {

QWidget* ShownWindow(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible()) return w;
    return nullptr;
}

// Runs `step` inside the modal loop of the window with this name as soon as it is up. A window
// that never comes ends the test program: a modal loop nobody closes would hang the suite.
void WhenShown(const QString& name, std::function<void(QWidget*)> step) {
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, name, step, waited] {
        if (QWidget* w = ShownWindow(name)) {
            timer->stop();
            timer->deleteLater();
            step(w);
        } else if ((*waited += 5) > 20000) {
            ADD_FAILURE() << "window " << name.toStdString() << " never appeared";
            std::fflush(nullptr);
            std::_Exit(1);
        }
    });
    timer->start();
}

template <class W = QWidget>
W* Child(QWidget* window, const char* name) {
    W* w = window->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

std::string Text(QWidget* window, const char* name) {
    if (auto* label = window->findChild<QLabel*>(QString::fromLatin1(name))) return label->text().toStdString();
    if (auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(name))) return button->text().toStdString();
    ADD_FAILURE() << "no text widget " << name;
    return {};
}

// A click where a user clicks: check boxes and option buttons on their box, not in the empty
// part of their designed width.
void Click(QWidget* window, const char* name) {
    QWidget* w = Child(window, name);
    if (!w) return;
    const bool box = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
    QTest::mouseClick(w, Qt::LeftButton, {}, box ? QPoint(6, w->height() / 2) : w->rect().center());
}

// Ticks as the widget shows them: "1" ticked, "0" not.
std::string Ticks(QListWidget* list) {
    std::string s;
    for (int i = 0; i < list->count(); ++i) s += list->item(i)->checkState() == Qt::Checked ? '1' : '0';
    return s;
}

class QtRenderer : public ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        dlg.Unload();  // the tests open wizards of their own, through the renderer
        platform::ports().ui = &qt;
        env.settings.Set("OffArdeko\\Word", "Startordner", root);
    }
    void TearDown() override { platform::ports().ui = &env.ui; }

    // Shows the wizard; `inside` acts on its window, which is then closed through its close box.
    void WithWizard(const std::function<void(QWidget*)>& inside) {
        WhenShown("frmArdeko", [inside](QWidget* w) {
            inside(w);
            w->close();
        });
        ShowWizard();
        EXPECT_EQ(ShownWindow("frmArdeko"), nullptr);
    }

    // `count` files of 1 January 2005 in 40 folders below the start folder.
    void MakeTree(int count) {
        std::tm day{.tm_mday = 1, .tm_mon = 0, .tm_year = 105, .tm_isdst = -1};
        const timespec times[2] = {{std::mktime(&day), 0}, {std::mktime(&day), 0}};
        for (int i = 0; i < count; ++i) {
            const std::string path = fmt::format("{}/d{:02}/f{:04}.doc", root, i % 40, i);
            if (i < 40) fs::create_directories(fs::path(path).parent_path());
            const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
            ASSERT_GE(fd, 0) << path;
            ASSERT_EQ(::write(fd, "x", 1), 1);
            ::close(fd);
            ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        }
    }
    // Files moved into archive folders and files left where they were.
    std::pair<std::size_t, std::size_t> MovedAndLeft() const {
        std::size_t moved = 0, left = 0;
        for (const auto& e : fs::recursive_directory_iterator(root))
            if (e.is_regular_file()) (e.path().parent_path().filename().string().rfind("~~~", 0) == 0 ? moved : left)++;
        return {moved, left};
    }

    ui::QtUi qt;
};

TEST_F(QtRenderer, TestRunFromTheRunButtonEndsWithTheSummaryBoxAndThenTheProtocol) {
    Make({"a.doc"}, Date(2008, 3, 1));
    Make({"neu.doc"}, Date(2009, 3, 1));
    std::string summary, buttons;
    WithWizard([&](QWidget* w) {
        EXPECT_EQ(Text(w, "lblSourcePath"), root);
        EXPECT_EQ(Child(w, "lblSourcePath")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_EQ(Child(w, "lblStatus")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        EXPECT_EQ(Child(w, "lstFileTypes")->parentWidget()->objectName(), "frFileTypes");
        WhenShown(ui::StyledBoxName, [&](QWidget* box) {
            summary = Text(box, "lblPrompt");
            for (auto* b : box->findChildren<QPushButton*>()) buttons += b->text().toStdString() + " ";
            QTest::keyClick(box, Qt::Key_Return);
        });
        Click(w, "btnDoIt");
        EXPECT_EQ(Text(w, "lblStatus") + " " + Text(w, "btnDoIt"), "Fertig... Archivieren!");
    });
    EXPECT_EQ(summary, "Testlauf abgeschlossen - 2 Datei(en) geprüft, 1 Datei(en) archiviert...");
    EXPECT_EQ(buttons, "OK ");
    ASSERT_EQ(env.shell.executed.size(), 1u);
    EXPECT_EQ(env.shell.executed[0].file, ArchiveProtocolPath());
    EXPECT_EQ(Tree(root), "a.doc, neu.doc");  // a test run moves nothing
}

TEST_F(QtRenderer, StoppDuringARunOverALargeTreeEndsItAfterTheFileInHand) {
    constexpr int kFiles = 1500;
    MakeTree(kFiles);
    std::set<std::string> statusSeen;
    std::string summary, captionWhileRunning;
    WithWizard([&](QWidget* w) {
        Click(w, "cbTest");  // a real run
        auto* poll = new QTimer(w);
        QObject::connect(poll, &QTimer::timeout, [&, w, poll] {
            const std::string status = Text(w, "lblStatus");
            if (!status.empty()) statusSeen.insert(status);
            if (statusSeen.size() < 3) return;  // the status line has moved on screen
            poll->stop();
            captionWhileRunning = Text(w, "btnDoIt");
            Click(w, "btnDoIt");
        });
        poll->start(0);
        WhenShown(ui::StyledBoxName, [&](QWidget* box) {
            summary = Text(box, "lblPrompt");
            QTest::keyClick(box, Qt::Key_Escape);  // an OK-only box: Escape answers it too
        });
        Click(w, "btnDoIt");
        EXPECT_EQ(Text(w, "lblStatus"), "Abgebrochen...");
    });
    EXPECT_EQ(captionWhileRunning, "Stopp!");
    EXPECT_GE(statusSeen.size(), 3u);
    EXPECT_EQ(summary.rfind("Archivierung abgebrochen - ", 0), 0u) << summary;
    // Stopped part-way: some files moved, the rest untouched, nothing lost.
    const auto [moved, left] = MovedAndLeft();
    EXPECT_GT(moved, 0u);
    EXPECT_GT(left, 0u);
    EXPECT_EQ(moved + left, static_cast<std::size_t>(kFiles));
    EXPECT_NE(Protocol().find("! Archivierung abgebrochen..."), std::string::npos);
}

TEST_F(QtRenderer, TheCloseBoxDuringARunStopsItAndClosesTheWindowOnceItHasEnded) {
    MakeTree(1000);
    std::string summary;
    bool closedWhileRunning = false;
    WhenShown("frmArdeko", [&](QWidget* w) {
        Click(w, "cbTest");
        auto* poll = new QTimer(w);
        QObject::connect(poll, &QTimer::timeout, [&, w, poll] {
            if (Text(w, "lblStatus").empty()) return;
            poll->stop();
            w->close();
            closedWhileRunning = Text(w, "btnDoIt") == "Stopp!" && !w->isVisible();
        });
        poll->start(0);
        WhenShown(ui::StyledBoxName, [&](QWidget* box) {
            summary = Text(box, "lblPrompt");
            QTest::keyClick(box, Qt::Key_Return);
        });
        Click(w, "btnDoIt");
    });
    ShowWizard();
    EXPECT_TRUE(closedWhileRunning);
    EXPECT_EQ(summary.rfind("Archivierung abgebrochen - ", 0), 0u) << summary;
    const auto [moved, left] = MovedAndLeft();
    EXPECT_EQ(moved + left, 1000u);
    EXPECT_GT(left, 0u);
}

TEST_F(QtRenderer, ClickingListEntriesAppliesTheTickRulesOncePerClick) {
    int userTicks = 0;
    std::vector<std::string> seen;
    WithWizard([&](QWidget* w) {
        auto* list = Child<QListWidget>(w, "lstFileTypes");
        auto& model = dynamic_cast<ui::CheckListBox&>(*ui::Form::ActiveForm()->FindControl("lstFileTypes"));
        auto rules = model.ItemCheck;
        model.ItemCheck = [&, rules](int i) {
            ++userTicks;
            rules(i);
        };
        seen.push_back(Ticks(list));
        for (int row : {2, 1, 0, 1}) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
            seen.push_back(Ticks(list));
        }
        list->setCurrentRow(2);
        QTest::keyClick(list, Qt::Key_Space);
        seen.push_back(Ticks(list));
    });
    // Word: documents, templates, all files. All files excludes the others and back again.
    EXPECT_EQ(seen, (std::vector<std::string>{"100", "001", "010", "110", "100", "001"}));
    EXPECT_EQ(userTicks, 5);  // the rules' own changes never came back as clicks
}

TEST_F(QtRenderer, MessageDialogAnswersEscapeEnterTheCheckBoxAndADoubleClickOnTheForm) {
    struct Case {
        std::function<void(QWidget*)> act;
        int result;
    };
    const Case cases[] = {
        {[](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); }, 3},
        {[](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); }, 1},
        {[](QWidget* box) {
             Click(box, "cbDontShow");
             QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
         },
         257},
        {[](QWidget* box) { QTest::mouseDClick(box, Qt::LeftButton, {}, QPoint(box->width() - 3, box->height() - 3)); }, 99},
        {[](QWidget* box) { QTest::mouseDClick(Child(box, "lblPrompt"), Qt::LeftButton); Click(box, "btn2"); }, 2},
    };
    for (const auto& c : cases) {
        std::string title, captions;
        WhenShown("frmMsgBoxEx", [&](QWidget* box) {
            title = Text(box, "XPForm") + "|" + box->windowTitle().toStdString();
            for (const char* b : {"btn1", "btn2", "btn3", "btnHelp", "cbDontShow"})
                captions += Child(box, b)->isVisible() ? Text(box, b) + "|" : "";
            c.act(box);
        });
        EXPECT_EQ(MsgBoxEx("Datei ersetzen?", {"Ja", "Nein", "Abbrechen"}, true, 32, std::string("Frage & Antwort"),
                           std::nullopt, 1, 3),
                  c.result);
        EXPECT_EQ(title, "Frage & Antwort|Frage & Antwort");
        EXPECT_EQ(captions, "Ja|Nein|Abbrechen|Diese Meldung nicht mehr anzeigen|");
    }
}

TEST_F(QtRenderer, CancellingTheFolderChoiceKeepsLabelAndSettingAndChoosingStoresIt) {
    const std::string start = root + "/Projekte";
    fs::create_directories(start);
    env.settings.Set("OffArdeko\\Word", "Startordner", start);
    std::string title, shownFolder, selected;
    WithWizard([&](QWidget* w) {
        WhenShown(ui::BrowseDialogName, [&](QWidget* d) {
            title = d->windowTitle().toStdString();
            auto* tree = Child<QTreeWidget>(d, "tvFolders");
            if (tree && tree->currentItem()) {
                selected = tree->currentItem()->data(0, Qt::UserRole).toString().toStdString();
                if (auto* parent = tree->currentItem()->parent())
                    shownFolder = parent->isExpanded() ? parent->data(0, Qt::UserRole).toString().toStdString() : "";
            }
            Click(d, "btnCancel");
        });
        Click(w, "btnChooseSource");
        EXPECT_EQ(Text(w, "lblSourcePath"), start);

        // Choosing the preselected folder's parent stores it.
        WhenShown(ui::BrowseDialogName, [&](QWidget* d) {
            auto* tree = Child<QTreeWidget>(d, "tvFolders");
            if (tree && tree->currentItem() && tree->currentItem()->parent())
                tree->setCurrentItem(tree->currentItem()->parent());
            Click(d, "btnOk");
        });
        QTest::mouseDClick(Child(w, "lblSourcePath"), Qt::LeftButton);
        EXPECT_EQ(Text(w, "lblSourcePath"), root);

        // A start folder that is gone opens the tree where its path still exists.
        fs::remove_all(root);
        fs::create_directories(fs::path(root).parent_path());
        std::string fallback;
        WhenShown(ui::BrowseDialogName, [&](QWidget* d) {
            auto* tree = Child<QTreeWidget>(d, "tvFolders");
            if (tree && tree->currentItem()) fallback = tree->currentItem()->data(0, Qt::UserRole).toString().toStdString();
            QTest::keyClick(d, Qt::Key_Escape);
        });
        Click(w, "btnChooseSource");
        EXPECT_EQ(fallback, fs::path(root).parent_path().string());
        fs::create_directories(root);
    });
    EXPECT_EQ(title, "Startordner wählen:");
    EXPECT_EQ(shownFolder, root);  // the start folder's parent, with the start folder selected
    EXPECT_EQ(selected, start);
    EXPECT_EQ(env.settings.Get("OffArdeko\\Word", "Startordner"), root);
}

TEST_F(QtRenderer, EnglishUiShowsTheEnglishCaptionsInEveryDialog) {
    env.ConnectHost("Microsoft Word", "16.0", 1);
    std::string wizard, info, box;
    int infoWidth = 0;
    WithWizard([&](QWidget* w) {
        wizard = w->windowTitle().toStdString() + "|" + Text(w, "btnHelp") + "|" + Child(w, "btnHelp")->toolTip().toStdString() +
                 "|" + Text(w, "btnInfo");
        WhenShown("dlgInfo", [&](QWidget* d) {
            info = Text(d, "lblProg1") + "|" + Text(d, "btnHelp") + "|" + Child(d, "btnDone")->toolTip().toStdString();
            infoWidth = d->width();
            QTest::keyClick(d, Qt::Key_Return);  // OK is the default button
        });
        Click(w, "btnInfo");
        EXPECT_EQ(ShownWindow("dlgInfo"), nullptr);
    });
    WhenShown("frmMsgBoxEx", [&](QWidget* d) {
        box = Text(d, "btnHelp") + "|" + Text(d, "cbDontShow");
        Click(d, "btn1");
    });
    MsgBoxEx("Replace?", {"Yes"}, true, std::nullopt, std::nullopt, std::string("Some help"));
    EXPECT_EQ(wizard, " Veltrano Archiving Wizard v3.00 für Word|Help| Click for documentation...|Info");
    EXPECT_EQ(info, "Programing & Documentation|Help|");  // no tooltips: they are German only
    EXPECT_EQ(infoWidth, qt.Px(dlgInfo::DesignWidth / 2));
    EXPECT_EQ(box, "Help|Don't show this message again");
}

TEST_F(QtRenderer, ButtonsPlayTheirSoundsOnHoverAndClickWhenTheFilesExist) {
    // A stand-in player first on PATH (the first name the renderer looks for) that notes what
    // it was asked to play.
    const std::string bin = env.dir / "bin", log = env.dir / "played.txt";
    fs::create_directories(bin);
    std::ofstream(bin + "/paplay") << "#!/bin/sh\nfor a; do echo \"$a\"; done >>'" << log << "'\n";
    fs::permissions(bin + "/paplay", fs::perms::owner_all);
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin + ":") + savedPath);
    for (const char* wav : {"Click.wav", "Hover.wav"}) std::ofstream(env.shell.programFolder + "/" + wav) << "RIFF";
    WithWizard([&](QWidget* w) {
        QWidget* help = Child(w, "btnHelp");
        QTest::mouseMove(w, QPoint(2, w->height() - 2));
        QTest::mouseMove(help, help->rect().center());
        WhenShown("dlgInfo", [](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); });  // OK is also the cancel button
        Click(w, "btnInfo");
    });
    // The player runs detached; give it a moment.
    for (int i = 0; i < 100 && ReadFile(log).find("Click.wav") == std::string::npos; ++i) QTest::qWait(20);
    qputenv("PATH", savedPath);
    const std::string played = ReadFile(log);
    EXPECT_NE(played.find(env.shell.programFolder + "/Hover.wav"), std::string::npos) << played;
    EXPECT_NE(played.find(env.shell.programFolder + "/Click.wav"), std::string::npos) << played;
}

}  // namespace
}  // namespace ardeko::testkit

// Qt needs its application object before the first widget; without a screen the offscreen
// platform draws into memory.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
