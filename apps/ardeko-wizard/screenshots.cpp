// Saves pictures of the three dialogs, German and English, for the README and the manual:
//   ardeko-wizard-screenshots OUTDIR
// Run it on a real X display (tools/qt-screenshots.sh starts one under Xvfb); it uses the
// settings store of $XDG_CONFIG_HOME, which the script points at a scratch folder.
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>

#include "Cli.h"
#include "addin/modArdeko.h"
#include "archive/Journal.h"
#include "msgbox/MsgBox.h"
#include "platform/Ports.h"
#include "platform/posix/PosixPorts.h"
#include "ui/qt/QtUi.h"

namespace {

QWidget* ShownWindow(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible()) return w;
    return nullptr;
}

// Calls `then` once the window is up and painted.
void WhenShown(const QString& name, std::function<void(QWidget*)> then) {
    auto* timer = new QTimer;
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, [timer, name, then] {
        QWidget* w = ShownWindow(name);
        if (!w) return;
        timer->stop();
        timer->deleteLater();
        QTimer::singleShot(300, [name, then] {
            if (QWidget* again = ShownWindow(name)) then(again);
        });
    });
    timer->start();
}

bool failed = false;

void Save(QWidget* w, const QString& file) {
    if (!w->grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
        failed = true;
    } else {
        std::printf("%s\n", file.toLocal8Bit().constData());
    }
}

void Click(QWidget* window, const char* button) {
    if (auto* b = window->findChild<QPushButton*>(QString::fromLatin1(button))) b->click();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace ardeko;
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fputs("usage: ardeko-wizard-screenshots OUTDIR\n", stderr);
        return 2;
    }
    const QDir out(args[1]);
    QDir().mkpath(out.absolutePath());

    platform::posix::InstallPosixPorts();
    ui::QtUi renderer;
    platform::ports().ui = &renderer;

    // Two runs in the journal, for the undo dialog's list.
    for (const auto& [day, files] : {std::pair{3, 2}, std::pair{17, 41}}) {
        const std::string folder = "/home/anna/Dokumente/Berichte";
        if (auto run = RunJournal::Begin({{2026, 11, day, 9, 30, 0}, "Word", folder}))
            for (int i = 0; i < files; ++i) {
                const std::string name = "/Bericht " + std::to_string(i) + ".doc";
                run->Result(run->Intent(folder + name, folder + "/~~~ 2019" + name, folder + "/", folder + "/~~~ 2019", false), {});
            }
    }

    for (const char* lang : {"de", "en"}) {
        const bool german = QLatin1String(lang) == QLatin1String("de");
        platform::Settings().SaveSetting("Veltrano", "OffArdeko", "CurrLang", german ? "0" : "1");
        platform::Settings().SaveSetting("Veltrano", "OffArdeko\\Word", "Startordner", "/home/anna/Dokumente/Berichte");
        cli::ConnectHost(std::string("Word"));
        const QString suffix = QStringLiteral("-%1.png").arg(QLatin1String(lang));

        WhenShown("frmArdeko", [&, suffix, german](QWidget* wizard) {
            Save(wizard, out.filePath("wizard" + suffix));
            WhenShown("dlgInfo", [&, suffix, german, wizard](QWidget* info) {
                Save(info, out.filePath("info" + suffix));
                Click(info, "btnDone");
                QTimer::singleShot(100, [&, suffix, german, wizard] {
                    WhenShown("frmMsgBoxEx", [&, suffix](QWidget* box) {
                        Save(box, out.filePath("msgboxex" + suffix));
                        Click(box, "btn3");
                    });
                    MsgBoxEx(german ? "Die Datei \"/home/anna/Dokumente/Berichte/~~~ 2008/Bericht.doc\" existiert bereits.\r\n\r\nSoll sie ersetzt werden?"
                                    : "The file \"/home/anna/Documents/Reports/~~~ 2008/Report.doc\" already exists.\r\n\r\nReplace it?",
                             {german ? "Ja" : "Yes", german ? "Nein" : "No", german ? "Abbrechen" : "Cancel"}, true, 32,
                             std::string(german ? " Veltrano Archivierungs-Assistent" : " Veltrano Archiving Wizard"), std::string(german ? "Hilfe" : "Help"), 1, 3);
                    WhenShown("frmUndo", [&, suffix](QWidget* undo) {
                        Save(undo, out.filePath("undo" + suffix));
                        Click(undo, "btnClose");
                    });
                    Click(wizard, "btnUndo");
                    wizard->close();
                });
            });
            Click(wizard, "btnInfo");
        });
        ShowWizard();
    }
    platform::ports().ui = nullptr;
    return failed ? 1 : 0;
}
