#include "ui/qt/QtUi.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/Form.h"
#include "ui/ModalScope.h"
#include "ui/StandardButtons.h"
#include "ui/qt/FormWindow.h"
#include "ui/qt/QtText.h"

namespace ardeko::ui {

namespace {

// A full resync of the shown windows is cheap, a repaint is not: during a run the pump
// processes events on every call but redraws the forms at most this often.
constexpr int kSyncIntervalMs = 15;

QStyle::StandardPixmap IconOfFlags(std::int32_t flags) {
    switch (flags & 0x70) {
        case 16: return QStyle::SP_MessageBoxCritical;
        case 32: return QStyle::SP_MessageBoxQuestion;
        case 48: return QStyle::SP_MessageBoxWarning;
        case 64: return QStyle::SP_MessageBoxInformation;
        default: return QStyle::StandardPixmap(-1);
    }
}

// What Escape and the close box answer: Cancel where there is one, the only button of a
// single-button box; nothing for the boxes that demand a choice.
int EscapeResult(const std::vector<StandardButton>& buttons) {
    for (const auto& b : buttons)
        if (b.result == 2) return 2;
    return buttons.size() == 1 ? buttons.front().result : 0;
}

// The pictures of the styled message boxes, by their icon bits.
std::string IconPicture(std::int32_t flags) {
    switch (flags & 0x70) {
        case 16: return "Stop";
        case 32: return "Frage";
        case 48: return "Warn";
        case 64: return "Info";
        default: return {};
    }
}

// The styled suite's message box, drawn as a form in the design of our message dialog
// frmMsgBoxEx: the same title band, guide line, icon, prompt, styled buttons, fonts and margins,
// so that every box of the program has one look. Its width is the dialog's; a long prompt makes it taller.
class StyledBox : public Form {
public:
    StyledBox(const platform::StyledMsgBoxRequest& request, platform::Ui& ui) : Form(StyledBoxName) {
        const int u = 2 * static_cast<int>(std::nearbyint(2 * ui.SystemMetric(platform::SM_CYDLGFRAME_) * 1.3 +
                                                          ui.SystemMetric(platform::SM_CYCAPTION_)));
        constexpr int kGuide = 7275;  // right end of the guide line: the text's and the buttons' margin
        Width = 7470;
        Caption = request.title;
        XPForm.Move(0, 0, Width, 450);
        XPForm.Caption = request.title;
        Line1.X1 = Line1.Left = 150;
        Line1.X2 = kGuide;
        Line1.Y1 = Line1.Y2 = Line1.Top = 600;
        Line1.Width = Line1.X2 - Line1.X1;
        imgIcon.Move(150, 750, 480, 480);
        imgIcon.Picture = IconPicture(request.flags);
        imgIcon.Visible = !imgIcon.Picture.empty();

        std::string prompt = request.prompt;
        if (prompt.rfind("\r\n", 0) == 0) prompt.erase(0, 2);  // the service's leading line break
        lblPrompt.Caption = prompt;
        lblPrompt.WordWrap = true;
        const int left = imgIcon.Visible ? 825 : 150;
        lblPrompt.Move(left, 750, kGuide - left, 0);
        lblPrompt.Height = ui.TextHeight(*this, prompt, lblPrompt.Width);

        int y = lblPrompt.Bottom();
        if (imgIcon.Visible) y = std::max(y, imgIcon.Bottom() + u);
        y += 3 * u;
        const std::vector<StandardButton> set = StandardButtons(request);
        const int def = DefaultButtonIndex(request, set.size());
        escape_ = EscapeResult(set);
        for (std::size_t i = 0; i < set.size(); ++i) {
            auto& b = *buttons_.emplace_back(std::make_unique<Button>(*this, "btn" + std::to_string(i + 1)));
            b.Caption = set[i].caption;
            const int width = ui.TextWidth(*this, b.Caption);
            b.Move(0, y, width > 10 ? width + 500 : 1740, 390);
            b.Default = static_cast<int>(i) == def;
            b.Cancel = set[i].result == escape_;
            b.Click = [this, result = set[i].result] {
                result_ = result;
                Unload();
            };
        }
        int x = kGuide;
        for (auto it = buttons_.rbegin(); it != buttons_.rend(); ++it) {
            (*it)->Left = x - (*it)->Width;
            x -= (*it)->Width + u;
        }
        Height = y + 390 + 3 * u;
    }

    int Result() const { return result_; }
    // Only a box with an answer for Escape can be closed without a button.
    bool Closable() const { return escape_ != 0; }

protected:
    void Form_Unload() override {
        if (result_ == 0) result_ = escape_;
    }

private:
    XPFormDecoration XPForm{*this, "XPForm"};
    Line Line1{*this, "Line1"};
    Image imgIcon{*this, "imgIcon"};
    Label lblPrompt{*this, "lblPrompt"};
    std::vector<std::unique_ptr<Button>> buttons_;
    int escape_ = 0;
    int result_ = 0;
};

// In front and active; a platform without window stacking (offscreen) has nothing to raise.
void RaiseWindow(QWidget& window) {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    window.raise();
    window.activateWindow();
}

QString FindPlayer() {
    for (const char* name : {"paplay", "pw-play", "aplay"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) return path;
    }
    return {};
}

// The folder choice: a tree of folders that opens one level when the user expands it, like the
// folder picker of the Windows shell. Listing happens on the GUI thread and only for the folders
// in view, so nothing keeps running behind the dialog (no watcher, no background stat of mounts
// that may hang) and closing it returns at once.
class FolderDialog : public QDialog {
public:
    FolderDialog(const QString& title, const QString& start, QWidget* owner) : QDialog(owner) {
        setObjectName(QString::fromLatin1(BrowseDialogName));
        setWindowTitle(title);
        setFont(QFont(QStringLiteral("Tahoma"), 8));  // the forms' font
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        auto* layout = new QVBoxLayout(this);
        auto* prompt = new QLabel(title, this);
        prompt->setObjectName(QStringLiteral("lblTitle"));
        layout->addWidget(prompt);
        tree_ = new QTreeWidget(this);
        tree_->setObjectName(QStringLiteral("tvFolders"));
        tree_->setHeaderHidden(true);
        layout->addWidget(tree_);
        // Our styled buttons, captioned in the language of Qt's translations.
        auto* row = new QHBoxLayout;
        row->addStretch(1);
        auto* ok = new QPushButton(QCoreApplication::translate("QPlatformTheme", "OK"), this);
        auto* cancel = new QPushButton(QCoreApplication::translate("QPlatformTheme", "Cancel"), this);
        ok->setObjectName(QStringLiteral("btnOk"));
        cancel->setObjectName(QStringLiteral("btnCancel"));
        for (QPushButton* b : {ok, cancel}) {
            StyleButton(*b);
            b->setMinimumSize(88, 26);
            row->addWidget(b);
        }
        ok->setDefault(true);
        layout->addLayout(row);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Fill(item); });
        connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) { accept(); });
        connect(tree_, &QTreeWidget::currentItemChanged, this,
                [ok](QTreeWidgetItem* now, QTreeWidgetItem*) { ok->setEnabled(now != nullptr); });
        resize(360, 420);

        auto* root = Add(nullptr, QDir::rootPath(), QDir::rootPath());
        tree_->setCurrentItem(root);
        Select(start);
    }

    QString Chosen() const {
        const QTreeWidgetItem* item = tree_->currentItem();
        return item ? item->data(0, Qt::UserRole).toString() : QString();
    }

private:
    QTreeWidgetItem* Add(QTreeWidgetItem* parent, const QString& path, const QString& name) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
        item->setText(0, name);
        item->setData(0, Qt::UserRole, path);
        // Expandable until it is opened and found empty; listing every folder's children up
        // front would read the whole tree.
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        return item;
    }

    void Fill(QTreeWidgetItem* item) {
        if (item->data(0, Qt::UserRole + 1).toBool()) return;
        item->setData(0, Qt::UserRole + 1, true);
        const QDir dir(item->data(0, Qt::UserRole).toString());
        for (const QFileInfo& sub :
             dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware))
            Add(item, sub.absoluteFilePath(), sub.fileName());
        if (item->childCount() == 0) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }

    // Opens the tree down to the start folder and marks it; a start folder that is gone marks
    // the deepest part of its path that is still there.
    void Select(const QString& start) {
        if (start.isEmpty()) return;
        const QFileInfo info(start);
        const QString path = QDir::cleanPath(info.absoluteFilePath());
        QTreeWidgetItem* item = tree_->topLevelItem(0);
        const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (const QString& part : parts) {
            item->setExpanded(true);
            Fill(item);
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < item->childCount() && !next; ++i)
                if (item->child(i)->text(0) == part) next = item->child(i);
            if (!next) break;
            item = next;
        }
        tree_->setCurrentItem(item);
        tree_->scrollToItem(item);
    }

    QTreeWidget* tree_;
};

}  // namespace

void PlaySound(const std::string& file) {
    if (file.empty()) return;
    const QString path = QString::fromStdString(file);
    if (!QFileInfo(path).isFile()) return;
    static const QString player = FindPlayer();
    if (player.isEmpty()) return;
    QStringList args;
    if (player.endsWith(QStringLiteral("aplay"))) args << QStringLiteral("-q");
    args << path;
    // Detached, and with its output going nowhere: a player that lingers must not hold on to
    // the terminal or the pipe of whoever started us.
    QProcess process;
    process.setProgram(player);
    process.setArguments(args);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.startDetached();
}

bool LoadFormFont() {
    static const bool loaded = [] {
        const QString tahoma = QStringLiteral("Tahoma");
        for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
            QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        if (QFontDatabase::families().contains(tahoma)) return true;
        QFont::insertSubstitution(tahoma, QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
        return false;
    }();
    return loaded;
}

QtUi::QtUi() {
    LoadFormFont();
    const QScreen* screen = QGuiApplication::primaryScreen();
    dpi_ = screen ? screen->logicalDotsPerInch() : 96.0;
    if (dpi_ <= 0) dpi_ = 96.0;
}

QtUi::~QtUi() = default;

void QtUi::SetLanguage(bool german) {
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
    translator_.reset();
    if (!german) return;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get()))
        translator_ = std::move(translator);
}

int QtUi::Px(int twips) const { return static_cast<int>(std::lround(twips * dpi_ / 1440.0)); }

int QtUi::Twips(int px) const { return static_cast<int>(std::lround(px * 1440.0 / dpi_)); }

QWidget* QtUi::WindowOf(const Form& form) const {
    for (FormWindow* w : windows_)
        if (&w->form() == &form) return w;
    return nullptr;
}

QWidget* QtUi::OwnerWindow() const {
    Form* active = Form::ActiveForm();
    return active ? WindowOf(*active) : nullptr;
}

void QtUi::SyncAll() {
    for (FormWindow* w : windows_) w->Sync();
    sinceSync_.restart();
}

void QtUi::ShowModal(Form& form) {
    SyncAll();  // the window below shows its latest state while this one is up
    Show(form, form.Owner() ? WindowOf(*form.Owner()) : nullptr, true);
}

void QtUi::Show(Form& form, QWidget* owner, bool closeBox) {
    FormWindow window(form, *this, owner);
    window.SetCloseBox(closeBox);
    QEventLoop loop;
    const ModalScope<FormWindow> scope(windows_, window, form, [&] {
        window.hide();
        loop.quit();
    });

    window.Sync();
    window.setWindowModality(Qt::ApplicationModal);
    window.show();
    window.FocusDefaultButton();
    RaiseWindow(window);
    if (form.Loaded()) loop.exec(QEventLoop::DialogExec);
    window.hide();
}

void QtUi::DoEvents() {
    if (!sinceSync_.isValid() || sinceSync_.elapsed() >= kSyncIntervalMs) SyncAll();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtUi::Beep() { QApplication::beep(); }

int QtUi::SystemMessageBox(const std::string& text, const std::string& title, std::int32_t flags) {
    SyncAll();
    QMessageBox box(OwnerWindow());
    box.setObjectName(SystemBoxName);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(ShownText(text, false));
    const auto icon = IconOfFlags(flags);
    if (icon != QStyle::StandardPixmap(-1)) box.setIconPixmap(box.style()->standardIcon(icon).pixmap(32, 32));
    const auto buttons = StandardButtons(platform::StyledMsgBoxRequest{"", flags & ~1024, "", {}, 0});
    std::vector<std::pair<QAbstractButton*, int>> results;
    const int def = DefaultButtonIndex(platform::StyledMsgBoxRequest{"", flags, "", {}, 0}, buttons.size());
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* b = box.addButton(QString::fromStdString(buttons[i].caption),
                                       buttons[i].result == 2 ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        StyleButton(*b);
        results.emplace_back(b, buttons[i].result);
        if (static_cast<int>(i) == def) box.setDefaultButton(b);
    }
    const int escape = EscapeResult(buttons);
    for (auto& [b, result] : results)
        if (result == escape) box.setEscapeButton(b);
    box.exec();
    for (auto& [b, result] : results)
        if (box.clickedButton() == b) return result;
    return escape ? escape : 1;
}

int QtUi::StyledMessageBox(const platform::StyledMsgBoxRequest& request) {
    SyncAll();
    StyledBox box(request, *this);
    box.Load();
    Show(box, OwnerWindow(), box.Closable());
    return box.Result();
}

int QtUi::SystemMetric(int id) {
    const QStyle* style = QApplication::style();
    if (id == platform::SM_CYCAPTION_) return style ? style->pixelMetric(QStyle::PM_TitleBarHeight) : 18;
    if (id == platform::SM_CYDLGFRAME_) return style ? std::max(1, style->pixelMetric(QStyle::PM_DefaultFrameWidth)) : 3;
    return 0;
}

int QtUi::TextWidth(const Form& form, const std::string& text) {
    const QFontMetrics metrics(QFont(QString::fromStdString(form.FontName), form.FontSize));
    int widest = 0;
    for (const QString& line : ShownText(text, false).split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return Twips(widest);
}

int QtUi::TextHeight(const Form& form, const std::string& text, int width) {
    const QFontMetrics metrics(QFont(QString::fromStdString(form.FontName), form.FontSize));
    const QRect box = metrics.boundingRect(QRect(0, 0, std::max(1, Px(width)), 1 << 20),
                                           Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, ShownText(text, false));
    return Twips(std::max(box.height(), metrics.height()));
}

void QtUi::BringToFront(Form& form) {
    if (QWidget* w = WindowOf(form)) RaiseWindow(*w);
}

std::string QtUi::BrowseForFolder(const std::string& title, const std::string& startFolder, bool) {
    SyncAll();
    FolderDialog dialog(QString::fromStdString(title), QString::fromStdString(startFolder), OwnerWindow());
    if (dialog.exec() != QDialog::Accepted) return {};
    return QDir::toNativeSeparators(dialog.Chosen()).toStdString();
}

}  // namespace ardeko::ui
