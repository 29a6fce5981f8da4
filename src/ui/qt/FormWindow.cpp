#include "ui/qt/FormWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "ui/qt/QtText.h"
#include "ui/qt/QtUi.h"

namespace ardeko::ui {

namespace {

// The styled suite's look: a blue title band, soft buttons with an orange hover frame.
constexpr const char* kTitleBandStyle =
    "QLabel { color: white; font-weight: bold; padding-left: 8px;"
    " background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #0b3d91, stop:1 #6c9be0); }";
constexpr const char* kButtonStyle =
    "QPushButton { border: 1px solid #6f8fb7; border-radius: 3px; padding: 1px 6px;"
    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #dfe6ef); }"
    "QPushButton:hover { border: 1px solid #f0a030; }"
    "QPushButton:pressed { background: #cfd9e6; }"
    // Enter presses the focused button: the focus must show at a glance.
    "QPushButton:focus { border: 2px solid #2f63b0; padding: 0px 5px; }"
    "QPushButton:disabled { color: #9aa3ad; border-color: #b8c4d2; }";
constexpr const char* kPanelStyle =
    "QFrame#%1 { border: 1px solid #b7c6da; border-radius: 4px; background: #eef3f9; }";

// The entries of a check list keep their tick boxes off the list's border.
class IndentedItems : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(kIndent, 0);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->rect.adjust(kIndent, 0, 0, 0);
    }

private:
    static constexpr int kIndent = 3;  // pixels
};

// Qt's check boxes and option buttons do not wrap their captions; a caption wider than the room
// beside the glyph is broken at blanks here, as Windows breaks a multi-line button's.
QString Wrapped(const QString& text, const QFontMetrics& metrics, int room) {
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '))) {
            const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (!line.isEmpty() && metrics.horizontalAdvance(longer) > room) {
                lines << line;
                line = word;
            } else {
                line = longer;
            }
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

// The room a check box or option button leaves its caption beside the glyph.
int CaptionRoom(const QWidget& w) {
    const QStyle* style = w.style();
    if (qobject_cast<const QRadioButton*>(&w))
        return w.width() - style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &w) -
               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &w);
    return w.width() - style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &w) -
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &w);
}

// A one-line label on the row of a drop-down list: the label then shares the list's text line
// (Qt centres a drop-down's text in its height, a label's text sits at its top).
const ComboList* RowCombo(const Control& label) {
    const auto* plain = dynamic_cast<const Label*>(&label);
    if (!plain || plain->WordWrap) return nullptr;
    for (const Control* c : label.Parent().Controls()) {
        const auto* combo = dynamic_cast<const ComboList*>(c);
        if (combo && c->Container() == label.Container() && label.Top >= c->Top && label.Top < c->Bottom())
            return combo;
    }
    return nullptr;
}

bool IsPassive(const Control& c) {
    return dynamic_cast<const Button*>(&c) == nullptr && dynamic_cast<const CheckBox*>(&c) == nullptr &&
           dynamic_cast<const OptionButton*>(&c) == nullptr && dynamic_cast<const CheckListBox*>(&c) == nullptr &&
           dynamic_cast<const ComboList*>(&c) == nullptr && dynamic_cast<const ListView*>(&c) == nullptr;
}

// A control is reachable only when every container around it is shown too.
bool Shown(const Control& c) {
    for (const Control* p = &c; p; p = p->Container())
        if (!p->Visible) return false;
    return true;
}

}  // namespace

FormWindow::FormWindow(Form& form, QtUi& ui, QWidget* owner) : QDialog(owner), form_(form), ui_(ui), sync_(form) {
    setObjectName(QString::fromStdString(form.Name()));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QString::fromStdString(form.FontName), form.FontSize));
    for (Control* c : form.Controls()) {
        if (dynamic_cast<XPFormDecoration*>(c)) decorated_ = true;
        QWidget* w = Create(*c);
        w->setObjectName(QString::fromStdString(c->Name()));
        controlOf_[w] = c;
        widgetOf_[c] = w;
    }
}

QWidget* FormWindow::Create(Control& control) {
    QWidget* parent = this;
    if (control.Container()) {
        auto it = widgetOf_.find(control.Container());
        if (it != widgetOf_.end()) parent = it->second;
    }
    Control* c = &control;
    QWidget* w = nullptr;
    if (dynamic_cast<XPFormDecoration*>(c)) {
        auto* band = new QLabel(parent);
        band->setStyleSheet(kTitleBandStyle);
        band->setTextFormat(Qt::PlainText);
        w = band;
    } else if (auto* b = dynamic_cast<Button*>(c)) {
        auto* button = new QPushButton(parent);
        StyleButton(*button);
        connect(button, &QPushButton::clicked, this, [this, b] {
            PlaySound(b->SoundClick);
            Forward([b] { b->PerformClick(); });
        });
        w = button;
    } else if (auto* cb = dynamic_cast<CheckBox*>(c)) {
        auto* box = new QCheckBox(parent);
        connect(box, &QCheckBox::clicked, this, [this, cb](bool ticked) { Forward([=] { cb->UserSetValue(ticked); }); });
        w = box;
    } else if (auto* ob = dynamic_cast<OptionButton*>(c)) {
        auto* radio = new QRadioButton(parent);
        radio->setAutoExclusive(false);  // the form's groups decide, the sync shows it
        connect(radio, &QRadioButton::clicked, this, [this, ob] { Forward([=] { ob->UserSelect(); }); });
        w = radio;
    } else if (dynamic_cast<Frame*>(c)) {
        if (control.TypeName() == "XPFrame") {
            w = new QGroupBox(parent);
        } else {
            auto* panel = new QFrame(parent);
            panel->setStyleSheet(QString(kPanelStyle).arg(QString::fromStdString(control.Name())));
            w = panel;
        }
    } else if (dynamic_cast<LinkLabel*>(c) || dynamic_cast<Label*>(c)) {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        w = label;
    } else if (dynamic_cast<Image*>(c)) {
        auto* image = new QLabel(parent);
        image->setAlignment(Qt::AlignCenter);
        w = image;
    } else if (dynamic_cast<Line*>(c)) {
        auto* line = new QFrame(parent);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        w = line;
    } else if (auto* lst = dynamic_cast<CheckListBox*>(c)) {
        auto* list = new QListWidget(parent);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setItemDelegate(new IndentedItems(list));
        // Clicks on the entries are the form's: one press toggles the tick, as in a check list.
        list->viewport()->installEventFilter(this);
        controlOf_[list->viewport()] = c;
        connect(list, &QListWidget::currentRowChanged, this, [lst](int row) {
            if (row >= 0) lst->ListIndex = row;
        });
        w = list;
    } else if (auto* cl = dynamic_cast<ComboList*>(c)) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        connect(combo, &QComboBox::activated, this, [this, cl](int index) { Forward([=] { cl->UserSetListIndex(index); }); });
        w = combo;
    } else if (auto* lv = dynamic_cast<ListView*>(c)) {
        auto* tree = new QTreeWidget(parent);
        tree->setRootIsDecorated(false);
        tree->setSelectionMode(QAbstractItemView::SingleSelection);
        connect(tree, &QTreeWidget::currentItemChanged, this, [this, lv, tree](QTreeWidgetItem* item) {
            const int row = item ? tree->indexOfTopLevelItem(item) : -1;
            if (row >= 0) Forward([=] { lv->UserSetListIndex(row); });
        });
        w = tree;
    } else {
        w = new QWidget(parent);
    }
    if (IsPassive(control) || dynamic_cast<Button*>(c) || dynamic_cast<CheckListBox*>(c)) w->installEventFilter(this);
    return w;
}

QFont FormWindow::FontOf(const Control& control) const {
    QFont font(QString::fromStdString(form_.FontName), control.FontSize > 0 ? control.FontSize : form_.FontSize);
    if (dynamic_cast<const XPFormDecoration*>(&control)) {
        font.setBold(true);
        font.setPointSize(font.pointSize() + 2);
    }
    if (dynamic_cast<const LinkLabel*>(&control)) font.setUnderline(true);
    return font;
}

void FormWindow::Apply(Control& control, QWidget* w) {
    const QSignalBlocker block(w);
    Control* c = &control;
    const Control* box = control.Container();
    const int left = control.Left - (box ? box->Left : 0);
    const int top = control.Top - (box ? box->Top : 0);
    // The font first: the sizes below are measured in it.
    w->setFont(FontOf(control));
    if (auto* line = dynamic_cast<Line*>(c)) {
        w->setGeometry(ui_.Px(line->X1 - (box ? box->Left : 0)), ui_.Px(line->Y1 - (box ? box->Top : 0)) - 1,
                       std::max(1, ui_.Px(line->X2 - line->X1)), 2);
    } else if (const ComboList* combo = RowCombo(control)) {
        w->setGeometry(ui_.Px(left), ui_.Px(combo->Top - (box ? box->Top : 0)), std::max(1, ui_.Px(control.Width)),
                       std::max(1, ui_.Px(combo->Height)));
        static_cast<QLabel*>(w)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    } else {
        w->setGeometry(ui_.Px(left), ui_.Px(top), std::max(1, ui_.Px(control.Width)), std::max(1, ui_.Px(control.Height)));
    }
    w->setToolTip(QString::fromStdString(control.ToolTipText));
    w->setEnabled(control.Enabled);
    if (control.ForeColor) {
        QPalette palette = w->palette();
        const QColor color(QRgb(0xFF000000u | *control.ForeColor));
        palette.setColor(QPalette::WindowText, color);
        palette.setColor(QPalette::Text, color);
        w->setPalette(palette);
    } else if (dynamic_cast<LinkLabel*>(c)) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::WindowText, QColor(0x0b, 0x3d, 0xb0));
        w->setPalette(palette);
    }
    const bool clickable = static_cast<bool>(control.Click) || dynamic_cast<LinkLabel*>(c);
    if (clickable && IsPassive(control)) w->setCursor(Qt::PointingHandCursor);

    if (auto* band = dynamic_cast<XPFormDecoration*>(c)) {
        static_cast<QLabel*>(w)->setText(ShownText(band->Caption, true));
        setWindowTitle(ShownText(band->Caption, true));  // the band's title, "&&" read as "&"
    } else if (auto* b = dynamic_cast<Button*>(c)) {
        auto* button = static_cast<QPushButton*>(w);
        button->setText(ShownText(b->Caption, false));  // Qt reads "&" as we do
        if (!b->Picture.empty()) {
            const QSize size(ui_.Px(b->Width) - 10, ui_.Px(b->Height) - 8);
            button->setIcon(QIcon(Picture(b->Picture, size)));
            button->setIconSize(size);
        } else {
            button->setIcon(QIcon());
        }
        button->setDefault(b->Default);
    } else if (auto* cb = dynamic_cast<CheckBox*>(c)) {
        static_cast<QCheckBox*>(w)->setChecked(cb->Value);
    } else if (auto* ob = dynamic_cast<OptionButton*>(c)) {
        static_cast<QRadioButton*>(w)->setChecked(ob->Value);
    } else if (auto* fr = dynamic_cast<Frame*>(c)) {
        if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(ShownText(fr->Caption, false));
    } else if (auto* lbl = dynamic_cast<CaptionControl*>(c); lbl && qobject_cast<QLabel*>(w)) {
        auto* label = static_cast<QLabel*>(w);
        label->setText(ShownText(lbl->Caption, control.AccessKeys()));
        if (auto* plain = dynamic_cast<Label*>(c)) label->setWordWrap(plain->WordWrap);
    } else if (auto* img = dynamic_cast<Image*>(c)) {
        static_cast<QLabel*>(w)->setPixmap(Picture(img->Picture, w->size()));
    } else if (auto* lst = dynamic_cast<CheckListBox*>(c)) {
        auto* list = static_cast<QListWidget*>(w);
        bool same = list->count() == lst->ListCount();
        for (int i = 0; same && i < list->count(); ++i)
            same = list->item(i)->text() == QString::fromStdString(lst->Items[static_cast<std::size_t>(i)].Text);
        if (!same) {
            list->clear();
            for (const auto& item : lst->Items) list->addItem(QString::fromStdString(item.Text));
        }
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* item = list->item(i);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            item->setCheckState(lst->Items[static_cast<std::size_t>(i)].Selected ? Qt::Checked : Qt::Unchecked);
        }
        list->setCurrentRow(lst->ListIndex);
    } else if (auto* cl = dynamic_cast<ComboList*>(c)) {
        auto* combo = static_cast<QComboBox*>(w);
        bool same = combo->count() == cl->ListCount();
        for (int i = 0; same && i < combo->count(); ++i)
            same = combo->itemText(i) == QString::fromStdString(cl->Items[static_cast<std::size_t>(i)]);
        if (!same) {
            combo->clear();
            for (const auto& item : cl->Items) combo->addItem(QString::fromStdString(item));
        }
        combo->setCurrentIndex(cl->ListIndex);
    } else if (auto* lv = dynamic_cast<ListView*>(c)) {
        QStringList headers;
        for (const auto& h : lv->ColumnHeaders) headers << QString::fromStdString(h);
        auto* tree = static_cast<QTreeWidget*>(w);
        tree->setHeaderLabels(headers);
        tree->clear();
        for (const auto& row : lv->Rows) {
            QStringList cells;
            for (const auto& cell : row) cells << QString::fromStdString(cell);
            tree->addTopLevelItem(new QTreeWidgetItem(cells));
        }
        tree->setCurrentItem(lv->ListIndex >= 0 ? tree->topLevelItem(lv->ListIndex) : nullptr);
        for (int column = 0; column < tree->columnCount(); ++column) tree->resizeColumnToContents(column);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && !qobject_cast<QPushButton*>(w)) {
        // A check box or option button taller than its text keeps the text at the top, level
        // with its neighbours; a caption too long for one line wraps.
        button->setText(Wrapped(ShownText(static_cast<CaptionControl&>(control).Caption, false), w->fontMetrics(),
                                CaptionRoom(*w)));
        w->resize(w->width(), std::min(w->height(), w->sizeHint().height()));
    }
    w->setVisible(control.Visible);
}

void FormWindow::ApplyForm(const FormState& state) {
    // A form with a title band carries its title there; the window frame repeats the band's.
    if (!decorated_) setWindowTitle(QString::fromStdString(state.caption));
    setFixedSize(ui_.Px(state.width), ui_.Px(state.height));
    switch (state.mousePointer) {
        case MousePointerHourglass: setCursor(Qt::WaitCursor); break;
        case MousePointerArrowHourglass: setCursor(Qt::BusyCursor); break;
        default: unsetCursor(); break;
    }
}

void FormWindow::Sync() {
    const FormSync::Changes changes = sync_.Poll();
    if (changes.form) ApplyForm(*changes.form);
    for (Control* c : changes.controls) {
        auto it = widgetOf_.find(c);
        if (it != widgetOf_.end()) Apply(*c, it->second);
    }
}

void StyleButton(QPushButton& button) {
    button.setAutoDefault(false);
    button.setStyleSheet(kButtonStyle);
}

template <class Action>
void FormWindow::Forward(Action&& action) {
    // Nothing may leave a handler into Qt's event loop.
    try {
        action();
    } catch (...) {
    }
    ui_.SyncAll();
}

void FormWindow::SetCloseBox(bool closeBox) {
    closeBox_ = closeBox;
    if (!closeBox) setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

void FormWindow::FocusDefaultButton() {
    // Without a default button the window keeps the focus itself, so that no control wears a
    // focus frame before the user moves the focus with Tab.
    QWidget* target = this;
    if (Button* b = ButtonWith(&Button::Default))
        if (auto it = widgetOf_.find(b); it != widgetOf_.end()) target = it->second;
    target->setFocus(Qt::OtherFocusReason);
}

Button* FormWindow::ButtonWith(bool Button::*flag) const {
    for (Control* c : form_.Controls())
        if (auto* b = dynamic_cast<Button*>(c); b && b->*flag && b->Enabled && Shown(*b)) return b;
    return nullptr;
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (event->modifiers() & ~Qt::KeypadModifier) == 0) {
        // A focused button takes Enter itself, as on Windows; otherwise the default button.
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled()) {
            focused->click();
        } else if (Button* b = ButtonWith(&Button::Default)) {
            PlaySound(b->SoundClick);
            Forward([b] { b->PerformClick(); });
        }
        return;
    }
    if (key == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // The cancel button, else what the close box does.
        if (Button* b = ButtonWith(&Button::Cancel)) {
            PlaySound(b->SoundClick);
            Forward([b] { b->PerformClick(); });
        } else if (closeBox_) {
            Forward([this] { form_.Unload(); });
        }
        return;
    }
    QWidget::keyPressEvent(event);  // not QDialog's: it would press its own default button
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // The close box unloads the form; the window goes when the form reports its unload.
    event->ignore();
    if (closeBox_) Forward([this] { form_.Unload(); });
}

void FormWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && childAt(event->position().toPoint()) == nullptr)
        Forward([this] { form_.PerformDblClick(); });
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
    auto it = controlOf_.find(watched);
    if (it == controlOf_.end()) return false;
    Control* c = it->second;
    const QEvent::Type type = event->type();

    if (auto* b = dynamic_cast<Button*>(c)) {
        if (type == QEvent::Enter && b->Enabled) PlaySound(b->SoundHover);
        return false;
    }
    if (auto* lst = dynamic_cast<CheckListBox*>(c)) {
        if (auto* list = qobject_cast<QListWidget*>(watched)) {
            // The space bar ticks or clears the current entry.
            if (type != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space) return false;
            const int row = list->currentRow();
            if (row >= 0 && row < lst->ListCount()) {
                const bool ticked = lst->Items[static_cast<std::size_t>(row)].Selected;
                Forward([=] { lst->UserSetSelected(row, !ticked); });
            }
            return true;
        }
        auto* list = qobject_cast<QListWidget*>(watched->parent());
        if (!list || (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
                      type != QEvent::MouseButtonRelease))
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (type != QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
            const int row = list->row(list->itemAt(mouse->position().toPoint()));
            list->setFocus(Qt::MouseFocusReason);
            if (row >= 0 && row < lst->ListCount()) {
                const bool ticked = lst->Items[static_cast<std::size_t>(row)].Selected;
                Forward([=] { lst->UserSetSelected(row, !ticked); });
            }
        }
        return true;
    }
    // Labels, pictures, frames and the title band: their own clicks, never the form's.
    switch (type) {
        case QEvent::MouseButtonPress: return true;
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            auto* w = static_cast<QWidget*>(watched);
            if (mouse->button() == Qt::LeftButton && w->rect().contains(mouse->position().toPoint())) {
                if (w->property("ardekoAfterDblClick").toBool())
                    w->setProperty("ardekoAfterDblClick", false);
                else
                    Forward([c] { c->PerformClick(); });
            }
            return true;
        }
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                static_cast<QWidget*>(watched)->setProperty("ardekoAfterDblClick", true);
                Forward([c] { c->PerformDblClick(); });
            }
            return true;
        default: return false;
    }
}

}  // namespace ardeko::ui
