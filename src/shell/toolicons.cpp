#include "toolicons.h"

#include <QCoreApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QPolygonF>

namespace korvo {

namespace {
const QColor kInk(40, 50, 70);
const QColor kPaper(250, 250, 245);
const QColor kBlue(40, 110, 190);
const QColor kGreen(40, 150, 70);
const QColor kRed(200, 50, 40);
const QColor kYellow(230, 190, 60);

void page(QPainter &p, const QRectF &r)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 4, r.top());
    path.lineTo(r.right(), r.top() + 4);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - 4, r.top()), QPointF(r.right() - 4, r.top() + 4));
    p.drawLine(QPointF(r.right() - 4, r.top() + 4), QPointF(r.right(), r.top() + 4));
}

void lines(QPainter &p, qreal x, qreal y, int count, qreal width)
{
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(x, y + i * 2.5), QPointF(x + width, y + i * 2.5));
}

void arrow(QPainter &p, bool up, const QColor &colour)
{
    p.setBrush(colour);
    const QPolygonF shape =
        up ? QPolygonF{{8, 1.5}, {13.5, 7}, {10, 7}, {10, 11}, {6, 11}, {6, 7}, {2.5, 7}}
           : QPolygonF{{8, 11}, {13.5, 5.5}, {10, 5.5}, {10, 1.5}, {6, 1.5}, {6, 5.5}, {2.5, 5.5}};
    p.drawPolygon(shape);
    p.setBrush(QColor(180, 180, 170));
    p.drawRect(QRectF(2, 12, 12, 2.5));
}

void plug(QPainter &p, bool joined)
{
    p.setBrush(joined ? kGreen : kRed);
    const qreal gap = joined ? 0 : 2;
    p.drawRect(QRectF(1.5, 6, 5 - gap, 4));
    p.drawRect(QRectF(9.5 + gap, 6, 5 - gap, 4));
    p.drawLine(QPointF(6.5 - gap, 7), QPointF(9.5 + gap, 7));
    p.drawLine(QPointF(6.5 - gap, 9), QPointF(9.5 + gap, 9));
    if (!joined) {
        p.setPen(QPen(kRed, 1.2));
        p.drawLine(QPointF(6, 3), QPointF(10, 13));
    }
}

void draw(QPainter &p, const QString &key)
{
    p.setPen(QPen(kInk, 1.0));
    if (key == QLatin1String("new")) {
        page(p, QRectF(3, 1.5, 10, 13));
        p.setPen(QPen(kYellow, 1.5));
        p.drawLine(QPointF(11, 10), QPointF(11, 15));
        p.drawLine(QPointF(8.5, 12.5), QPointF(13.5, 12.5));
    } else if (key == QLatin1String("open")) {
        p.setBrush(kYellow);
        p.drawPolygon(QPolygonF{{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {13.5, 5}, {13.5, 13.5}, {1.5, 13.5}});
        p.setBrush(kYellow.lighter(125));
        p.drawPolygon(QPolygonF{{3.5, 7.5}, {15, 7.5}, {13.5, 13.5}, {1.5, 13.5}});
    } else if (key == QLatin1String("save")) {
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
        p.setBrush(kPaper);
        p.drawRect(QRectF(4, 1.5, 8, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4.5, 9, 7, 5.5));
    } else if (key == QLatin1String("cut")) {
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4.5, 12), 2.3, 2.3);
        p.drawEllipse(QPointF(11.5, 12), 2.3, 2.3);
        p.setPen(QPen(kInk, 1.3));
        p.drawLine(QPointF(6, 10), QPointF(11.5, 1.5));
        p.drawLine(QPointF(10, 10), QPointF(4.5, 1.5));
    } else if (key == QLatin1String("copy")) {
        page(p, QRectF(1.5, 1.5, 8, 10));
        page(p, QRectF(6.5, 4.5, 8, 10));
        lines(p, 8, 8.5, 3, 5);
    } else if (key == QLatin1String("paste")) {
        p.setBrush(QColor(170, 120, 70));
        p.drawRoundedRect(QRectF(2, 2.5, 10, 12), 1, 1);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4.5, 1.5, 5, 2.5));
        page(p, QRectF(7, 6.5, 7.5, 8.5));
    } else if (key == QLatin1String("print")) {
        page(p, QRectF(4, 1.5, 8, 6));
        p.setBrush(QColor(150, 155, 165));
        p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
        p.setBrush(kPaper);
        p.drawRect(QRectF(4, 10.5, 8, 4));
        p.setPen(QPen(kGreen, 1.2));
        p.drawPoint(QPointF(12.5, 8.5));
    } else if (key == QLatin1String("props")) {
        p.setPen(QPen(kInk, 1.2));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(2, 3.5 + i * 4.5), QPointF(14, 3.5 + i * 4.5));
        p.setBrush(kBlue);
        p.setPen(QPen(kInk, 0.8));
        p.drawRect(QRectF(9, 1.8, 3, 3.4));
        p.drawRect(QRectF(4, 6.3, 3, 3.4));
        p.drawRect(QRectF(7, 10.8, 3, 3.4));
    } else if (key == QLatin1String("con")) {
        plug(p, true);
    } else if (key == QLatin1String("discon")) {
        plug(p, false);
    } else if (key == QLatin1String("upld")) {
        arrow(p, true, kGreen);
    } else if (key == QLatin1String("dnld")) {
        arrow(p, false, kBlue);
    } else if (key == QLatin1String("clear")) {
        p.setBrush(QColor(30, 30, 30));
        p.drawRect(QRectF(1.5, 2.5, 13, 10));
        p.setBrush(QColor(235, 120, 150));
        p.save();
        p.translate(9, 10);
        p.rotate(-35);
        p.drawRoundedRect(QRectF(-4, -2, 8, 4.5), 1, 1);
        p.restore();
    } else if (key == QLatin1String("snap")) {
        p.setBrush(QColor(30, 30, 30));
        p.drawRect(QRectF(3.5, 3.5, 9, 9));
        p.setPen(QPen(kBlue, 1.2));
        p.drawLine(QPointF(1, 1), QPointF(3.5, 3.5));
        p.drawLine(QPointF(15, 15), QPointF(12.5, 12.5));
        p.drawLine(QPointF(1, 1), QPointF(1, 4));
        p.drawLine(QPointF(1, 1), QPointF(4, 1));
        p.drawLine(QPointF(15, 15), QPointF(15, 12));
        p.drawLine(QPointF(15, 15), QPointF(12, 15));
    } else {
        // The program's own icon: a terminal screen with a prompt.
        p.setBrush(QColor(25, 35, 55));
        p.drawRoundedRect(QRectF(0.5, 1.5, 15, 13), 2, 2);
        p.setPen(QPen(QColor(120, 230, 140), 1.4));
        p.drawLine(QPointF(3.5, 5), QPointF(6.5, 8));
        p.drawLine(QPointF(6.5, 8), QPointF(3.5, 11));
        p.drawLine(QPointF(8, 11), QPointF(12, 11));
    }
}

const QHash<QString, QString> &themeNames()
{
    static const QHash<QString, QString> names{
        {"new", "document-new"},     {"open", "document-open"},
        {"save", "document-save"},   {"cut", "edit-cut"},
        {"copy", "edit-copy"},       {"paste", "edit-paste"},
        {"print", "document-print"}, {"props", "document-properties"},
        {"con", "network-connect"},  {"discon", "network-disconnect"},
        {"upld", "go-up"},           {"dnld", "go-down"},
        {"clear", "edit-clear"},     {"snap", "zoom-fit-best"},
    };
    return names;
}
} // namespace

QIcon drawnIcon(const QString &key)
{
    // Every edit window shows the same document icon: each icon is drawn once per application. The
    // pixmaps go with the application, which they must not outlive.
    static QHash<QString, QIcon> drawn;
    static QPointer<QCoreApplication> drawnFor;
    if (drawnFor != QCoreApplication::instance()) {
        drawn.clear();
        drawnFor = QCoreApplication::instance();
        qAddPostRoutine([] { drawn.clear(); });
    }
    if (const auto known = drawn.constFind(key); known != drawn.cend())
        return *known;
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter, key);
        painter.end();
        icon.addPixmap(pixmap);
    }
    drawn.insert(key, icon);
    return icon;
}

QIcon toolIcon(const QString &key)
{
    const QString name = themeNames().value(key);
    if (!name.isEmpty() && QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return drawnIcon(key);
}

} // namespace korvo
