// The pictures of the forms, drawn by us: the maker's logo, the newsletter covers, the
// symbols of the picture buttons; the message symbols come from the style.
#include <QApplication>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include "ui/qt/FormWindow.h"

namespace ardeko::ui {

namespace {

const QColor kBlue(0x0b, 0x3d, 0x91);
const QColor kLightBlue(0x6c, 0x9b, 0xe0);
const QColor kFolder(0xf2, 0xc1, 0x4e);

// The largest pixel size, from `largest` down to `smallest`, at which `text` fits `width`; 0 when
// none does.
int FittingSize(QFont font, const QString& text, qreal width, int largest, int smallest) {
    for (int px = largest; px >= smallest; --px) {
        font.setPixelSize(px);
        if (QFontMetricsF(font).horizontalAdvance(text) <= width) return px;
    }
    return 0;
}

void Logo(QPainter& p, const QRectF& r, const QString& line) {
    QLinearGradient fill(r.topLeft(), r.bottomRight());
    fill.setColorAt(0, kBlue);
    fill.setColorAt(1, kLightBlue);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 6, 6);
    QFont f = p.font();
    f.setBold(true);
    // The name beside the mark where it can be read there, else under a smaller mark.
    qreal d = r.height() * 0.62;
    QRectF mark(r.left() + r.height() * 0.19, r.top() + (r.height() - d) / 2, d, d);
    QRectF room = r.adjusted(mark.right() - r.left() + r.height() * 0.15, 0, -4, 0);
    int px = FittingSize(f, line, room.width(), static_cast<int>(r.height() * 0.34), 10);
    if (px == 0) {
        d = r.height() * 0.46;
        mark = QRectF(r.center().x() - d / 2, r.top() + r.height() * 0.07, d, d);
        room = QRectF(r.left() + 3, mark.bottom(), r.width() - 6, r.bottom() - mark.bottom() - 1);
        px = FittingSize(f, line, room.width(), static_cast<int>(room.height() * 0.9), 6);
    }
    p.setBrush(Qt::white);
    p.drawEllipse(mark);
    f.setPixelSize(std::max(6, static_cast<int>(d * 0.7)));
    p.setFont(f);
    p.setPen(kBlue);
    p.drawText(mark, Qt::AlignCenter, QStringLiteral("V"));
    if (px == 0) return;
    f.setPixelSize(px);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(room, Qt::AlignCenter, line);
}

void Folder(QPainter& p, const QRectF& r) {
    const QRectF body(r.left(), r.top() + r.height() * 0.25, r.width(), r.height() * 0.7);
    p.setPen(QPen(QColor(0xa8, 0x7d, 0x1c), 1));
    p.setBrush(kFolder.darker(110));
    p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.1, r.width() * 0.45, r.height() * 0.3), 2, 2);
    p.setBrush(kFolder);
    p.drawRoundedRect(body, 2, 2);
}

void Magnifier(QPainter& p, const QRectF& r) {
    const qreal d = r.width() * 0.45;
    const QRectF lens(r.right() - d - r.width() * 0.12, r.bottom() - d - r.height() * 0.2, d, d);
    p.setPen(QPen(kBlue, std::max<qreal>(1.5, r.width() / 12)));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(lens);
    p.drawLine(lens.center() + QPointF(d * 0.36, d * 0.36), QPointF(r.right() - 1, r.bottom() - 1));
}

void Bin(QPainter& p, const QRectF& r) {
    const QRectF can(r.left() + r.width() * 0.2, r.top() + r.height() * 0.25, r.width() * 0.6, r.height() * 0.7);
    p.setPen(QPen(QColor(0x45, 0x55, 0x6a), 1));
    p.setBrush(QColor(0xd6, 0xde, 0xe8));
    p.drawRoundedRect(can, 2, 2);
    p.drawRect(QRectF(r.left() + r.width() * 0.12, r.top() + r.height() * 0.14, r.width() * 0.76, r.height() * 0.1));
    for (int i = 1; i <= 3; ++i) {
        const qreal x = can.left() + can.width() * i / 4;
        p.drawLine(QPointF(x, can.top() + 3), QPointF(x, can.bottom() - 3));
    }
}

// A folder with an arrow curving back over it to the left: files going back where they were.
void UndoArrow(QPainter& p, const QRectF& r) {
    Folder(p, QRectF(r.left() + r.width() * 0.35, r.top() + r.height() * 0.5, r.width() * 0.6, r.height() * 0.45));
    const QRectF ellipse(r.left() + r.width() * 0.2, r.top() + r.height() * 0.15, r.width() * 0.65, r.height() * 0.65);
    QPainterPath arc;
    arc.arcMoveTo(ellipse, 0);
    arc.arcTo(ellipse, 0, 180);
    p.setPen(QPen(kBlue, std::max<qreal>(1.5, r.width() / 10), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    const auto at = [&r](qreal x, qreal y) { return QPointF(r.left() + r.width() * x, r.top() + r.height() * y); };
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({at(0.06, 0.45), at(0.34, 0.45), at(0.2, 0.68)}));
}

void Envelope(QPainter& p, const QRectF& r) {
    const QRectF e = r.adjusted(1, r.height() * 0.2, -1, -r.height() * 0.15);
    p.setPen(QPen(kBlue, 1));
    p.setBrush(Qt::white);
    p.drawRect(e);
    p.drawLine(e.topLeft(), QPointF(e.center().x(), e.center().y()));
    p.drawLine(e.topRight(), QPointF(e.center().x(), e.center().y()));
}

void Cover(QPainter& p, const QRectF& r, const QString& title) {
    p.setPen(QPen(QColor(0x8a, 0x9b, 0xb3), 1));
    p.setBrush(Qt::white);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const QRectF head(r.left() + 3, r.top() + 3, r.width() - 7, r.height() * 0.34);
    p.fillRect(head, kBlue);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(std::max(6, static_cast<int>(head.height() * 0.42)));
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(head, Qt::AlignCenter, title);
    p.setPen(QPen(QColor(0xb8, 0xc4, 0xd2), 1));
    for (qreal y = head.bottom() + 6; y < r.bottom() - 4; y += 5) p.drawLine(QPointF(r.left() + 6, y), QPointF(r.right() - 6, y));
}

}  // namespace

QPixmap Picture(const std::string& name, QSize size) {
    if (size.width() < 2 || size.height() < 2 || name.empty()) return {};
    const QString n = QString::fromStdString(name);
    const struct {
        const char* name;
        QStyle::StandardPixmap pixmap;
    } symbols[] = {{"Information", QStyle::SP_MessageBoxInformation}, {"Info", QStyle::SP_MessageBoxInformation},
                   {"Stop", QStyle::SP_MessageBoxCritical},          {"Warn", QStyle::SP_MessageBoxWarning},
                   {"Frage", QStyle::SP_MessageBoxQuestion},          {"Question", QStyle::SP_MessageBoxQuestion}};
    for (const auto& s : symbols) {
        if (n == QLatin1String(s.name)) {
            const int edge = std::min(size.width(), size.height());
            return QApplication::style()->standardIcon(s.pixmap).pixmap(edge, edge);
        }
    }

    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(0, 0, size.width(), size.height());
    const qreal edge = std::min(size.width(), size.height());
    const QRectF square((size.width() - edge) / 2, (size.height() - edge) / 2, edge, edge);
    if (n == QLatin1String("Icon")) {  // the program's own icon: an archive folder on the band
        QLinearGradient fill(square.topLeft(), square.bottomRight());
        fill.setColorAt(0, kBlue);
        fill.setColorAt(1, kLightBlue);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(square.adjusted(1, 1, -1, -1), edge / 6, edge / 6);
        Folder(p, square.adjusted(edge * 0.18, edge * 0.22, -edge * 0.18, -edge * 0.14));
    } else if (n == QLatin1String("Logo") || n == QLatin1String("VeltranoLogo")) {
        Logo(p, all, QStringLiteral("Veltrano"));
    } else if (n == QLatin1String("Ordner")) {
        Folder(p, square.adjusted(1, 1, -1, -1));
    } else if (n == QLatin1String("Explorer")) {
        Folder(p, square.adjusted(1, 1, -edge * 0.2, -edge * 0.2));
        Magnifier(p, square);
    } else if (n == QLatin1String("Papierkorb")) {
        Bin(p, square);
    } else if (n == QLatin1String("Rueckgaengig")) {
        UndoArrow(p, square);
    } else if (n == QLatin1String("Mail")) {
        Envelope(p, square);
    } else if (n.startsWith(QLatin1String("Weekly"))) {
        Cover(p, all, n.mid(6) + QStringLiteral("\nWeekly"));
    } else {
        return {};
    }
    return pixmap;
}

}  // namespace ardeko::ui
