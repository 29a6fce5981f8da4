// The desktop renderer driven the way a user drives it: mouse clicks and keys on the real Qt
// widgets of the wizard, the message dialog, the folder choice and the About dialog
// (offscreen). What the forms decide is tested without widgets; here: that input reaches them
// once, that windows show and close, that a run stays responsive and stops, and what only the
// renderer does (the folder tree, the sounds).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

#include "addin/modArdeko.h"
#include "archive/WalkSupport.h"
#include "msgbox/MsgBox.h"
#include "msgbox/frmMsgBoxEx.h"
#include "ui/FormCatalogue.h"
#include "ui/qt/FormWindow.h"
#include "ui/qt/QtUi.h"

namespace ardeko::testkit {
namespace {

// A tree big enough that a real run is still going when a test stops or closes it.
constexpr std::size_t kFiles = 1500;

QWidget* ShownWindow(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible()) return w;
    return nullptr;
}

// Runs `step` inside the modal loop of the window with this name as soon as it is up. A window
// that never comes ends the test program: a modal loop nobody closes would hang the suite.
void WhenShown(const QString& name, std::function<void(QWidget*)> step, int waited = 0) {
    QTimer::singleShot(5, [=] {
        if (QWidget* w = ShownWindow(name)) return step(w);
        if (waited > 20000) {
            ADD_FAILURE() << "window " << name.toStdString() << " never appeared";
            std::fflush(nullptr);
            std::_Exit(1);
        }
        WhenShown(name, step, waited + 5);
    });
}

template <class W = QWidget>
W* Child(QWidget* window, const char* name) {
    W* w = window->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// The text a label or button shows.
std::string Text(QWidget* window, const char* name) { return Child(window, name)->property("text").toString().toStdString(); }

// Answers the styled message box with `key` once it is up, noting its prompt and buttons.
void AnswerBox(std::string& shown, Qt::Key key) {
    WhenShown(ui::StyledBoxName, [&shown, key](QWidget* box) {
        shown = Text(box, "lblPrompt") + " |";
        for (auto* b : box->findChildren<QPushButton*>()) shown += b->text().toStdString() + "|";
        QTest::keyClick(box, key);
    });
}

// A click where a user clicks: check boxes and option buttons on their box, not in the empty
// part of their designed width.
void Click(QWidget* window, const char* name) {
    QWidget* w = Child(window, name);
    if (!w) return;
    const bool box = qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
    QTest::mouseClick(w, Qt::LeftButton, {}, box ? QPoint(6, w->height() / 2) : w->rect().center());
}

// What of a widget's text cannot be seen, "" when all of it shows: the room the widget gives its
// text against what the text needs in the widget's own font.
std::string CutText(QWidget* w) {
    const QFontMetrics fm = w->fontMetrics();
    QString text;
    QSize need, room = w->size();
    if (auto* label = qobject_cast<QLabel*>(w)) {
        text = label->text();
        room = label->contentsRect().size();
        need = fm.boundingRect(QRect(0, 0, room.width(), 1 << 20), label->wordWrap() ? Qt::TextWordWrap : 0, text).size();
    } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
        text = static_cast<QAbstractButton*>(w)->text();
        need = w->sizeHint();
    } else if (auto* button = qobject_cast<QPushButton*>(w); button && !button->text().isEmpty()) {
        text = button->text();
        need = fm.size(Qt::TextShowMnemonic, text) + QSize(2 * 7, 2 * 2);  // the styled padding and border
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        text = group->title();
        need = group->minimumSizeHint();
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < combo->count(); ++i) text += combo->itemText(i) + QLatin1Char('|');
        need = {combo->sizeHint().width(), fm.height() + 4};
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {  // every entry whole, without scrolling
        for (int i = 0; i < list->count(); ++i) text += list->item(i)->text() + QLatin1Char('|');
        need = {list->sizeHintForColumn(0), list->count() * list->sizeHintForRow(0)};
        room = list->viewport()->size();
    }
    if (text.isEmpty() || (need.width() <= room.width() && need.height() <= room.height())) return {};
    return fmt::format("'{}' needs {}x{}, has {}x{}", text.toStdString(), need.width(), need.height(), room.width(),
                       room.height());
}

// Checks every window of a form as it is shown: every text of every visible control whole, no
// label's text over a picture. Notes the forms it saw and what it found, one line each.
class FitCheck : public QObject {
public:
    FitCheck() { qApp->installEventFilter(this); }
    std::set<std::string> forms, faults;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = dynamic_cast<ui::FormWindow*>(watched);
        if (!window || event->type() != QEvent::Show) return false;
        forms.insert(window->objectName().toStdString());
        const auto where = [window](QWidget* w) { return QRect(w->mapTo(window, QPoint(0, 0)), w->size()); };
        std::vector<QRect> pictures;
        for (auto* image : window->findChildren<QLabel*>())
            if (image->isVisibleTo(window) && !image->pixmap().isNull()) pictures.push_back(where(image));
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(window) || w->objectName().isEmpty()) continue;
            std::string cut = CutText(w);
            if (auto* label = qobject_cast<QLabel*>(w); label && cut.empty() && !label->text().isEmpty())
                for (const QRect& picture : pictures)
                    if (QRect(where(label).topLeft(), label->sizeHint()).intersected(where(label)).intersects(picture))
                        cut = "'" + label->text().toStdString() + "' runs over a picture";
            if (!cut.empty())
                faults.insert(fmt::format("{} {}.{}: {}", Module().CurrLang, window->objectName().toStdString(),
                                          w->objectName().toStdString(), cut));
        }
        return false;
    }
};

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

    // Ticks off the test run and runs over kFiles files of 2005 in 40 folders. Once the run is
    // part-way (its status line has moved on screen and a file has been archived; stopped
    // before the first move, it would end as one that found nothing), `partWay` acts on the
    // wizard. Returns when the run has ended.
    void RunUntilPartWay(QWidget* w, const std::function<void()>& partWay) {
        for (std::size_t i = 0; i < kFiles; ++i) MakeFile(fmt::format("{}/d{:02}/f{:04}.doc", root, i % 40, i), "x", Date(2005, 1, 1));
        Click(w, "cbTest");
        auto* poll = new QTimer(w);
        QObject::connect(poll, &QTimer::timeout, [=, this, seen = std::make_shared<std::set<std::string>>()] {
            if (const std::string now = Text(w, "lblStatus"); !now.empty()) seen->insert(now);
            if (seen->size() < 3 || MovedAndLeft().first == 0) return;
            poll->stop();
            partWay();
        });
        poll->start(10);
        Click(w, "btnDoIt");
    }

    // Files moved into archive folders and files left where they were.
    std::pair<std::size_t, std::size_t> MovedAndLeft() const {
        std::size_t moved = 0, left = 0;
        for (const auto& e : fs::recursive_directory_iterator(root))
            if (e.is_regular_file()) (e.path().parent_path().filename().string().rfind("~~~", 0) == 0 ? moved : left)++;
        return {moved, left};
    }

    // Stopped part-way: some files moved, the rest untouched, nothing lost.
    void ExpectStoppedPartWay(const std::string& summary) const {
        EXPECT_EQ(summary.rfind("Archivierung abgebrochen - ", 0), 0u) << summary;
        const auto [moved, left] = MovedAndLeft();
        EXPECT_GT(moved, 0u);
        EXPECT_GT(left, 0u);
        EXPECT_EQ(moved + left, kFiles);
    }

    ui::QtUi qt;
};

// A test run from the run button ends with the summary box and then the protocol. A real run
// after it is undone in the undo dialog over the wizard: its row selected, the run undone, the
// summary box, the list emptied, closed.
TEST_F(QtRenderer, TestRunThenARealRunUndoneInTheUndoDialog) {
    Make({"a.doc"}, Date(2008, 3, 1));
    Make({"neu.doc"}, Date(2009, 3, 1));
    std::string summary, undone;
    WithWizard([&](QWidget* w) {
        EXPECT_EQ(Text(w, "lblSourcePath"), root);
        EXPECT_EQ(Child(w, "lblSourcePath")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_EQ(Child(w, "lblStatus")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        EXPECT_EQ(Child(w, "lstFileTypes")->parentWidget()->objectName(), "frFileTypes");
        AnswerBox(summary, Qt::Key_Return);
        Click(w, "btnDoIt");
        EXPECT_EQ(Text(w, "lblStatus") + " " + Text(w, "btnDoIt"), "Fertig... Archivieren!");
        EXPECT_EQ(Tree(root), "a.doc, neu.doc");  // a test run moves nothing
        Click(w, "cbTest");
        AnswerBox(undone, Qt::Key_Return);
        Click(w, "btnDoIt");
        WhenShown("frmUndo", [&](QWidget* u) {
            auto* list = Child<QTreeWidget>(u, "lvRuns");
            EXPECT_EQ(list->topLevelItem(0)->text(2).toStdString(), "1 Datei(en)");
            EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
            Click(u, "cbTest");
            AnswerBox(undone, Qt::Key_Return);
            Click(u, "btnUndoRun");
            platform::UI().DoEvents();
            EXPECT_EQ(list->topLevelItem(0)->text(0).toStdString(), "Keine Archivierung zum Rückgängigmachen vorhanden.");
            Click(u, "btnClose");
        });
        Click(w, "btnUndo");
    });
    EXPECT_EQ(summary, "Testlauf abgeschlossen - 2 Datei(en) geprüft, 1 Datei(en) archiviert... |OK|");
    ASSERT_EQ(env.shell.executed.size(), 1u);  // only after the test run
    EXPECT_EQ(env.shell.executed[0].file, ArchiveProtocolPath());
    EXPECT_EQ(undone, "Rückgängig abgeschlossen - 1 Datei(en) zurückgeholt... |OK|");
    EXPECT_EQ(Tree(root), "a.doc, neu.doc");
}

TEST_F(QtRenderer, StoppDuringARunOverALargeTreeEndsItAfterTheFileInHand) {
    std::string summary;
    WithWizard([&](QWidget* w) {
        RunUntilPartWay(w, [&, w] {
            AnswerBox(summary, Qt::Key_Escape);  // an OK-only box: Escape answers it too
            EXPECT_EQ(Text(w, "btnDoIt"), "Stopp!");
            Click(w, "btnDoIt");
        });
        EXPECT_EQ(Text(w, "lblStatus"), "Abgebrochen...");
    });
    ExpectStoppedPartWay(summary);
    EXPECT_NE(Protocol().find("! Archivierung abgebrochen..."), std::string::npos);
}

TEST_F(QtRenderer, TheCloseBoxDuringARunStopsItAndClosesTheWindowOnceItHasEnded) {
    std::string summary;
    WhenShown("frmArdeko", [&](QWidget* w) {
        RunUntilPartWay(w, [&, w] {
            AnswerBox(summary, Qt::Key_Return);
            w->close();
            EXPECT_FALSE(w->isVisible());
            EXPECT_EQ(Text(w, "btnDoIt"), "Stopp!");  // hidden while the run ends
        });
    });
    ShowWizard();
    ExpectStoppedPartWay(summary);
}

TEST_F(QtRenderer, ClickingListEntriesAppliesTheTickRulesOncePerClick) {
    int userTicks = 0;
    std::vector<std::string> seen;  // the ticks as the widget shows them after each action
    WithWizard([&](QWidget* w) {
        auto* list = Child<QListWidget>(w, "lstFileTypes");
        const auto note = [&] {
            std::string s;
            for (int i = 0; i < list->count(); ++i) s += list->item(i)->checkState() == Qt::Checked ? '1' : '0';
            seen.push_back(s);
        };
        auto& model = dynamic_cast<ui::CheckListBox&>(*ui::Form::ActiveForm()->FindControl("lstFileTypes"));
        model.ItemCheck = [&, rules = model.ItemCheck](int i) { ++userTicks, rules(i); };
        note();
        for (int row : {2, 0}) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
            note();
        }
        list->setCurrentRow(2);
        QTest::keyClick(list, Qt::Key_Space);
        note();
    });
    // Word: documents, templates, all files. All files excludes the others and back again.
    EXPECT_EQ(seen, (std::vector<std::string>{"100", "001", "100", "001"}));
    EXPECT_EQ(userTicks, 3);  // the rules' own changes never came back as clicks
}

// The focus starts on the default button ("Nein"), Enter presses the focused button, Escape the
// cancel button; without one Escape closes the dialog as its close box does, which answers as the
// last button and never as the previous dialog did.
TEST_F(QtRenderer, MessageDialogAnswersKeysTheCheckBoxAndADoubleClickOnTheForm) {
    const auto escape = [](QWidget* box) {
        QTest::keyClick(box, Qt::Key_Escape);
    };
    const struct {
        std::function<void(QWidget*)> answer;
        std::optional<std::int16_t> cancel;
        int result;
    } cases[] = {
        {escape, 3, 3},
        {[](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); }, 3, 2},
        {[](QWidget* box) { QTest::keyClick(box->focusWidget(), Qt::Key_Tab), QTest::keyClick(box, Qt::Key_Return); }, 3, 3},
        {[](QWidget* box) { Click(box, "cbDontShow"), QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier); }, 3, 258},
        {[](QWidget* box) { QTest::mouseDClick(box, Qt::LeftButton, {}, QPoint(box->width() - 3, box->height() - 3)); }, 3, 99},
        // A double click on the prompt is not one on the form.
        {[](QWidget* box) { QTest::mouseDClick(Child(box, "lblPrompt"), Qt::LeftButton), Click(box, "btn1"); }, 3, 1},
        {escape, std::nullopt, 3},
        {[](QWidget* box) { box->close(); }, std::nullopt, 3},
    };
    for (const auto& c : cases) {
        std::string shown;
        WhenShown("frmMsgBoxEx", [&](QWidget* box) {
            shown = Text(box, "XPForm") + "|" + box->windowTitle().toStdString() + ": ";
            for (const char* b : {"btn1", "btn2", "btn3", "btnHelp", "cbDontShow"})
                shown += Child(box, b)->isVisible() ? Text(box, b) + "|" : "";
            c.answer(box);
        });
        MsgBoxExDialogResult() = 1;  // an earlier "Ja" must never come back
        const int result = MsgBoxEx("Datei ersetzen?", {"Ja", "Nein", "Abbrechen"}, true, 32,
                                    std::string("Frage & Antwort"), std::nullopt, 2, c.cancel);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(shown, "Frage & Antwort|Frage & Antwort: Ja|Nein|Abbrechen|Diese Meldung nicht mehr anzeigen|");
    }
}

// The standard boxes keep the platform's rule: Escape and the close box only where Cancel or a
// single OK can answer them; Enter presses the default button.
TEST_F(QtRenderer, StandardBoxesTakeEscapeOnlyWhereCancelOrASingleOkAnswers) {
    const std::pair<std::int32_t, int> cases[] = {{vbYesNo + vbDefaultButton2, vbNo}, {vbYesNoCancel, vbCancel}, {vbOKOnly, vbOK}};
    for (const auto& [flags, result] : cases) {
        WhenShown(ui::StyledBoxName, [](QWidget* box) {
            QTest::keyClick(box, Qt::Key_Escape);
            box->close();
            if (box->isVisible()) QTest::keyClick(box, Qt::Key_Return);
        });
        EXPECT_EQ(MsgBoxStd("Weiter?", flags), result) << flags;
    }
}

TEST_F(QtRenderer, FolderChoiceOpensOnTheStartFolderOrWhatIsLeftOfItAndOnlyOkChangesTheLabel) {
    const std::string start = root + "/Projekte";
    fs::create_directories(start);
    qt.SetLanguage(true);  // Qt's own texts in German
    env.settings.Set("OffArdeko\\Word", "Startordner", start);
    std::string choices;  // per choice: the folder marked as it opens -> the label after it
    WithWizard([&](QWidget* w) {
        // Opens the folder choice with `open` and ends it with `close`.
        const auto choose = [&](const std::function<void()>& open, std::function<void(QWidget*, QTreeWidget*)> close) {
            WhenShown(ui::BrowseDialogName, [&, close](QWidget* d) {
                auto* tree = Child<QTreeWidget>(d, "tvFolders");
                EXPECT_EQ(d->windowTitle().toStdString() + " " + Text(d, "btnCancel"), "Startordner wählen: Abbrechen");
                EXPECT_TRUE(tree->currentItem()->parent()->isExpanded());  // in view, not only marked
                choices += tree->currentItem()->data(0, Qt::UserRole).toString().toStdString() + " -> ";
                close(d, tree);
            });
            open();
            choices += Text(w, "lblSourcePath") + "\n";
        };
        choose([w] { Click(w, "btnChooseSource"); }, [](QWidget* d, QTreeWidget*) { Click(d, "btnCancel"); });
        // A double click on the label opens the choice too; choosing the start folder's parent.
        choose([w] { QTest::mouseDClick(Child(w, "lblSourcePath"), Qt::LeftButton); },
               [](QWidget* d, QTreeWidget* tree) {
                   tree->setCurrentItem(tree->currentItem()->parent());
                   Click(d, "btnOk");
               });
        // A start folder that is gone opens the tree where its path still exists.
        fs::remove_all(root);
        choose([w] { Click(w, "btnChooseSource"); }, [](QWidget* d, QTreeWidget*) { QTest::keyClick(d, Qt::Key_Escape); });
        fs::create_directories(root);
    });
    EXPECT_EQ(choices, fmt::format("{0} -> {0}\n{0} -> {1}\n{2} -> {1}\n", start, root, fs::path(root).parent_path().string()));
    EXPECT_EQ(env.settings.Get("OffArdeko\\Word", "Startordner"), root);
}

TEST_F(QtRenderer, ButtonsPlayTheirSoundsOnHoverAndClickAndTheInfoDialogIsModal) {
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
        WhenShown("dlgInfo", [&](QWidget* d) {
            EXPECT_EQ(QApplication::activeModalWidget(), d);  // the wizard waits below it
            QTest::keyClick(d, Qt::Key_Return);  // OK is the default button
        });
        Click(w, "btnInfo");
        EXPECT_EQ(ShownWindow("dlgInfo"), nullptr);
    });
    // The player runs detached; give it a moment.
    for (int i = 0; i < 100 && ReadFile(log).find("Click.wav") == std::string::npos; ++i) QTest::qWait(20);
    qputenv("PATH", savedPath);
    const std::string played = ReadFile(log);
    EXPECT_NE(played.find(env.shell.programFolder + "/Hover.wav"), std::string::npos) << played;
    EXPECT_NE(played.find(env.shell.programFolder + "/Click.wav"), std::string::npos) << played;
}

// Every form the program shows, in both languages and for every host, with every text whole:
// the wizard, its About and undo dialogs, the two questions of a run and its summary box. The check runs
// on every window shown, so a form added later is covered once the session opens it.
TEST_F(QtRenderer, EveryTextOfEveryFormIsWholeInBothLanguages) {
    ASSERT_TRUE(ui::LoadFormFont()) << "Tahoma missing: ./run installs fonts-wine";
    FitCheck check;
    for (const std::int16_t lang : {0, 1}) {
        for (const auto& [host, version] : std::vector<std::pair<std::string, std::string>>{
                 {"Microsoft Excel", "16.0"}, {"Microsoft PowerPoint", "16.0"}, {"Microsoft Access", "11.0"}, {"Microsoft Word", "16.0"}}) {
            env.ConnectHost(host, version, lang);
            WithWizard([](QWidget* w) {
                WhenShown("dlgInfo", [](QWidget* d) { d->close(); });
                Click(w, "btnInfo");
                WhenShown("frmUndo", [](QWidget* u) { Click(u, "btnClose"); });
                Click(w, "btnUndo");
            });
        }
        // A real run over a file whose archived copy exists: both questions, then the summary.
        Make({"a.doc", "~~~ 2008/a.doc"}, Date(2008, 3, 1));
        std::string summary;
        WithWizard([&](QWidget* w) {
            const QRect box = Child(w, "cbTest")->geometry();
            Click(w, "cbTest"), Click(w, "cbConfirm");
            EXPECT_EQ(Child(w, "cbTest")->geometry(), box);  // a tick moves nothing
            WhenShown("frmMsgBoxEx", [&](QWidget* confirm) {
                WhenShown("frmMsgBoxEx", [&](QWidget* overwrite) {
                    AnswerBox(summary, Qt::Key_Return);
                    Click(overwrite, "btn3");
                });
                Click(confirm, "btn1");
            });
            Click(w, "btnDoIt");
        });
        EXPECT_NE(summary.find("abgebrochen"), std::string::npos) << summary;
    }
    // Every registered form was seen, so one added later cannot slip past.
    std::set<std::string> forms{ui::StyledBoxName};
    for (const auto& maker : ui::RegisteredForms()) forms.insert(maker.name);
    EXPECT_EQ(check.forms, forms);
    EXPECT_EQ(check.faults, std::set<std::string>{});
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
