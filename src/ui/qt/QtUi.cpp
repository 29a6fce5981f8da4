#include "ui/qt/QtUi.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
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

// The styled suite's message box: title band, icon, prompt, a row of buttons.
class StyledBox : public QDialog {
public:
    StyledBox(const platform::StyledMsgBoxRequest& request, QWidget* owner) : QDialog(owner) {
        setObjectName(StyledBoxName);
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        const QString title = ShownText(request.title, true);
        setWindowTitle(title);

        auto* outer = new QVBoxLayout(this);
        outer->setContentsMargins(0, 0, 0, 10);
        auto* band = new QLabel(title, this);
        band->setObjectName("XPForm");
        band->setTextFormat(Qt::PlainText);
        band->setMinimumHeight(28);
        band->setStyleSheet(
            "QLabel { color: white; font-weight: bold; padding-left: 8px;"
            " background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #0b3d91, stop:1 #6c9be0); }");
        outer->addWidget(band);

        auto* body = new QHBoxLayout;
        body->setContentsMargins(14, 10, 14, 10);
        body->setSpacing(12);
        const auto icon = IconOfFlags(request.flags);
        if (icon != QStyle::StandardPixmap(-1)) {
            auto* image = new QLabel(this);
            image->setObjectName("imgIcon");
            image->setPixmap(style()->standardIcon(icon).pixmap(32, 32));
            body->addWidget(image, 0, Qt::AlignTop);
        }
        QString prompt = ShownText(request.prompt, true);
        if (prompt.startsWith(QLatin1Char('\n'))) prompt.remove(0, 1);  // the service's leading line break
        auto* text = new QLabel(prompt, this);
        text->setObjectName("lblPrompt");
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        text->setMinimumWidth(260);
        text->setMaximumWidth(520);
        body->addWidget(text, 1);
        outer->addLayout(body);

        auto* row = new QHBoxLayout;
        row->setContentsMargins(14, 0, 14, 0);
        row->addStretch(1);
        buttons_ = StandardButtons(request);
        const int def = DefaultButtonIndex(request, buttons_.size());
        for (std::size_t i = 0; i < buttons_.size(); ++i) {
            auto* button = new QPushButton(QString::fromStdString(buttons_[i].caption), this);
            button->setObjectName(QStringLiteral("btn%1").arg(i + 1));
            button->setAutoDefault(false);
            button->setMinimumWidth(88);
            const int result = buttons_[i].result;
            connect(button, &QPushButton::clicked, this, [this, result] { Finish(result); });
            if (static_cast<int>(i) == def) {
                button->setDefault(true);
                defaultButton_ = button;
            }
            row->addWidget(button);
        }
        outer->addLayout(row);
        escape_ = EscapeResult(buttons_);
        if (defaultButton_) defaultButton_->setFocus();
    }

    int result() const { return result_; }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            if (escape_) Finish(escape_);
            return;
        }
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (auto* focused = qobject_cast<QPushButton*>(focusWidget()))
                focused->click();
            else if (defaultButton_)
                defaultButton_->click();
            return;
        }
        QWidget::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        if (escape_) Finish(escape_);
    }
    void reject() override {}

private:
    void Finish(int result) {
        result_ = result;
        done(result);
    }

    std::vector<StandardButton> buttons_;
    QPushButton* defaultButton_ = nullptr;
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
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        auto* layout = new QVBoxLayout(this);
        auto* prompt = new QLabel(title, this);
        prompt->setObjectName(QStringLiteral("lblTitle"));
        layout->addWidget(prompt);
        tree_ = new QTreeWidget(this);
        tree_->setObjectName(QStringLiteral("tvFolders"));
        tree_->setHeaderHidden(true);
        layout->addWidget(tree_);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->setObjectName(QStringLiteral("bbButtons"));
        buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOk"));
        buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Fill(item); });
        connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) { accept(); });
        connect(tree_, &QTreeWidget::currentItemChanged, this, [buttons](QTreeWidgetItem* now, QTreeWidgetItem*) {
            buttons->button(QDialogButtonBox::Ok)->setEnabled(now != nullptr);
        });
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

QtUi::QtUi() {
    // The forms are laid out for Tahoma; where it is missing a narrow face keeps their texts
    // inside the designed widths.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Arial")});
    const QScreen* screen = QGuiApplication::primaryScreen();
    dpi_ = screen ? screen->logicalDotsPerInch() : 96.0;
    if (dpi_ <= 0) dpi_ = 96.0;
}

QtUi::~QtUi() = default;

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
    QWidget* owner = form.Owner() ? WindowOf(*form.Owner()) : nullptr;
    FormWindow window(form, *this, owner);
    QEventLoop loop;
    const ModalScope<FormWindow> scope(windows_, window, form, [&] {
        window.hide();
        loop.quit();
    });

    window.Sync();
    window.setWindowModality(Qt::ApplicationModal);
    window.show();
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
    StyledBox box(request, OwnerWindow());
    box.exec();
    return box.result();
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
