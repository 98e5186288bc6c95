#include "ui/controls.h"

#include "ui/artwork.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace quantaline {

QRect twips_rect(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

QFont ui_font(double points, bool bold, bool underline) {
    QFont font;
    // The face the layout was drawn for, then faces of the same widths (Arial's metrics);
    // the desktop's own sans-serif face, often much wider, clips the fixed-size labels.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(false);
    font.setUnderline(underline);
    font.setStrikeOut(false);
    return font;
}

BorderedLabel::BorderedLabel(QWidget* parent) : QLabel(parent) {
    setFrameShape(QFrame::NoFrame);
    setContentsMargins(1, 1, 1, 1);
}

void BorderedLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QPen(QColor(0, 0, 0), 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void set_text_colour(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget.setPalette(palette);
}

void set_background(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

QLabel* add_label(QWidget* parent, const QString& name, const QString& text, const QRect& rect,
                  const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(rect);
    label->setFont(font);
    // Labels show their text from the top left, as a caption does.
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

BorderedLabel* add_bordered_label(QWidget* parent, const QString& name, const QString& text,
                                  const QRect& rect, const QFont& font) {
    auto* label = new BorderedLabel(parent);
    label->setText(text);
    label->setObjectName(name);
    label->setGeometry(rect);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* add_button(QWidget* parent, const QString& name, const QString& text,
                        const QRect& rect) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(rect);
    button->setFont(default_font());
    // No button answers Enter or Escape on its own.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace quantaline

namespace quantaline {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
    setCursor(hand_cursor());
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

LinkLabel* add_link_label(QWidget* parent, const QString& name, const QString& text,
                          const QRect& rect, const QFont& font) {
    auto* label = new LinkLabel(parent);
    label->setText(text);
    label->setObjectName(name);
    label->setGeometry(rect);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace quantaline

namespace quantaline {

void announce_value(QWidget& widget, const QString& text) {
    widget.setToolTip(text);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(&widget, text);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace quantaline
