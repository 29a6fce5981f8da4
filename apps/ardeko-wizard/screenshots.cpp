// Saves pictures of the dialogs, German and English, for the README and the manual: the wizard,
// the About dialog, and from a real run over FOLDER (made here) the overwrite question and the
// summary box:
//   ardeko-wizard-screenshots OUTDIR FOLDER
// Run it on a real X display (tools/qt-screenshots.sh starts one under Xvfb); it uses the
// settings store of $XDG_CONFIG_HOME, which the script points at a scratch folder.
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>

#include "Cli.h"
#include "addin/modArdeko.h"
#include "archive/Journal.h"
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

// A folder whose report of June 2008 was archived before: a real run then asks the real
// overwrite question.
bool MakeFolder(const QString& folder) {
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("~~~ 2008"))) return false;
    const QDateTime june(QDate(2008, 6, 3), QTime(10, 0));
    for (const QString& name : {QStringLiteral("Bericht.doc"), QStringLiteral("~~~ 2008/Bericht.doc")}) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write("Bericht") < 0 || !file.flush() ||
            !file.setFileTime(june, QFileDevice::FileModificationTime))
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace ardeko;
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: ardeko-wizard-screenshots OUTDIR FOLDER\n", stderr);
        return 2;
    }
    const QDir out(args[1]);
    QDir().mkpath(out.absolutePath());
    const QString folder = QDir(args[2]).absolutePath();
    if (!MakeFolder(folder)) {
        std::fprintf(stderr, "cannot make %s\n", folder.toLocal8Bit().constData());
        return 1;
    }

    platform::posix::InstallPosixPorts();
    ui::QtUi renderer;
    platform::ports().ui = &renderer;

    // Two runs in the journal, for the undo dialog's list.
    for (const auto& [day, files] : {std::pair{3, 2}, std::pair{17, 41}}) {
        const std::string base = folder.toStdString();
        if (auto run = RunJournal::Begin({{2026, 11, day, 9, 30, 0}, "Word", base}))
            for (int i = 0; i < files; ++i) {
                const std::string name = "/Bericht " + std::to_string(i) + ".doc";
                run->Result(run->Intent(base + name, base + "/~~~ 2019" + name, base + "/", base + "/~~~ 2019", false), {});
            }
    }

    for (const char* lang : {"de", "en"}) {
        const bool german = QLatin1String(lang) == QLatin1String("de");
        platform::Settings().SaveSetting("Veltrano", "OffArdeko", "CurrLang", german ? "0" : "1");
        platform::Settings().SaveSetting("Veltrano", "OffArdeko\\Word", "Startordner", folder.toStdString());
        cli::ConnectHost(std::string("Word"));
        renderer.SetLanguage(german);
        const auto file = [&](const char* name) { return out.filePath(QStringLiteral("%1-%2.png").arg(QLatin1String(name), QLatin1String(lang))); };

        // Each click that opens a dialog returns once the dialog has been answered.
        WhenShown("frmArdeko", [&](QWidget* wizard) {
            Save(wizard, file("wizard"));
            WhenShown("dlgInfo", [&](QWidget* info) {
                Save(info, file("info"));
                Click(info, "btnDone");
            });
            Click(wizard, "btnInfo");
            // A real run: the overwrite question, answered "Abbrechen", then the summary box.
            if (auto* test = wizard->findChild<QCheckBox*>(QStringLiteral("cbTest"))) test->click();
            WhenShown("frmMsgBoxEx", [&](QWidget* question) {
                Save(question, file("msgboxex"));
                WhenShown(ui::StyledBoxName, [&](QWidget* summary) {
                    Save(summary, file("msgboxstd"));
                    Click(summary, "btn1");
                });
                Click(question, "btn3");
            });
            Click(wizard, "btnDoIt");
            WhenShown("frmUndo", [&](QWidget* undo) {
                Save(undo, file("undo"));
                Click(undo, "btnClose");
            });
            Click(wizard, "btnUndo");
            wizard->close();
        });
        ShowWizard();
    }
    platform::ports().ui = nullptr;
    return failed ? 1 : 0;
}
